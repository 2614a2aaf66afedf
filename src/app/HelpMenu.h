#pragma once
// The help button's menu: the makers' web site, a mail to them, the user guide and the about
// window.

#include <QString>

class QMenu;
class QWidget;

// Builds the menu, owned by owner: "Home Page", "Contact us", "Help File", a separator and
// "About", named "Home", "Contact", "Help", "" and "About". Each entry's click goes to
// HelpMenuClick with the entry's name.
QMenu *BuildHelpMenu(QWidget *owner);

// What the entry of that name does; the about window gets owner as its owner.
void HelpMenuClick(const QString &entry, QWidget *owner);
