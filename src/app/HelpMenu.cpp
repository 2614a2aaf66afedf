#include "app/HelpMenu.h"

#include "desktop/ErrorReport.h"
#include "desktop/Makers.h"
#include "ui/AboutWindow.h"

#include <QMenu>
#include <QPointer>

QMenu *BuildHelpMenu(QWidget *owner) {
    auto *menu = new QMenu(owner);
    menu->setObjectName("HelpMenu");
    const struct {
        const char *caption;
        const char *name;
    } entries[] = {{"Home Page", "Home"},
                   {"Contact us", "Contact"},
                   {"Help File", "Help"},
                   {"-", ""},
                   {"About", "About"}};
    for (const auto &entry : entries) {
        QAction *action =
            QString(entry.caption) == "-" ? menu->addSeparator() : menu->addAction(entry.caption);
        action->setObjectName(entry.name);
    }
    QPointer<QWidget> about_owner(owner);
    QObject::connect(menu, &QMenu::triggered, menu, [about_owner](QAction *action) {
        HelpMenuClick(action->objectName(), about_owner.data());
    });
    return menu;
}

void HelpMenuClick(const QString &entry, QWidget *owner) {
    if (entry == "Home")
        OpenHomePage();
    else if (entry == "Contact")
        ComposeSupportMail({});
    else if (entry == "Help")
        OpenHelpFile();
    else if (entry == "About")
        ShowAboutWindow(owner);
}
