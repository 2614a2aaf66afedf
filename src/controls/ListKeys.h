#pragma once
// The keys a focused drop-down list uses are the list's own, though the window takes some of
// them as shortcuts elsewhere: Space opens it, Return chooses, the arrows move, and a letter
// picks the entry it begins (so "I" finds "iPod" rather than stepping the preview).

#include <QKeyEvent>

class QComboBox;

// Whether a focused drop-down list uses the key.
bool ListUsesKey(const QKeyEvent &key);
// From now on the list keeps the keys it uses.
void KeepListKeys(QComboBox *list);
