#pragma once
// Every modal message box of the program goes through ShowMessageBox, so that tests can answer
// boxes without a person (SetMessageBoxHandler).

#include <QString>
#include <functional>

class QWidget;

enum class BoxKind { Error, Information, Confirmation, Warning };
enum class BoxButtons { Ok, OkCancel, YesNo };
// The results carry the platform's traditional numbers.
enum BoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageBoxHandler = std::function<int(BoxKind kind, const QString &text, BoxButtons buttons)>;

// Shows a modal box (its own event loop: posted messages keep being handled) and returns the
// button pressed. Closing the box without a button counts as Cancel, No, or OK for a lone OK.
int ShowMessageBox(BoxKind kind, const QString &text, BoxButtons buttons = BoxButtons::Ok,
                   QWidget *parent = nullptr);

// Replaces the boxes by a function (tests). An empty function restores the real boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);
