#pragma once
// The splash window shown while the program starts.

#include <QWidget>

// The splash while it is shown, otherwise null.
extern QWidget *StartUp;

// Fades the splash out (when one is shown), closes and destroys it. Safe to call at any time.
void HideSplash();
