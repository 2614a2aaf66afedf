#include "app/DeviceMenu.h"

#include "controls/ImageButton.h"
#include "profiles/DeviceTable.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

DeviceMenu::DeviceMenu(QWidget *panel, QWidget *picture)
    // The menu belongs to the window, not to the panel, so that the panel's black style stays
    // the panel's own.
    : QObject(panel), panel_(panel), picture_(picture), menu_(new QMenu(panel->window())) {
    menu_->setObjectName("DeviceMenu");
    auto *group = new QActionGroup(menu_);
    group->setExclusive(true);
    for (int32_t device = 0; device < kDeviceCount; ++device) {
        QAction *entry = menu_->addAction(DeviceRowFor(device)->Caption);
        entry->setCheckable(true);
        group->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, device] { emit DeviceChosen(device); });
        entries_.append(entry);
    }
    panel_->setToolTip(QStringLiteral("Click to choose your device"));
    panel_->setAccessibleName(QStringLiteral("Choose your device"));
    // From the keyboard: Tab reaches the panel, Space or Return opens the menu.
    panel_->setFocusPolicy(Qt::TabFocus);
    new FocusMark(panel_);
    panel_->installEventFilter(this);
}

bool DeviceMenu::OpensMenu(const QKeyEvent *key) const {
    return picture_->isVisibleTo(panel_) && key->modifiers() == Qt::NoModifier &&
           (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
            key->key() == Qt::Key_Enter);
}

void DeviceMenu::SetCurrent(int32_t device_type) {
    current_ = device_type;
    for (int32_t device = 0; device < entries_.size(); ++device)
        entries_[device]->setChecked(device == device_type);
}

bool DeviceMenu::eventFilter(QObject *watched, QEvent *event) {
    if (watched != panel_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Space opens the menu here rather than playing a clip.
        if (OpensMenu(static_cast<QKeyEvent *>(event)))
            event->accept();
        return false;
    case QEvent::KeyPress:
        if (!OpensMenu(static_cast<QKeyEvent *>(event)))
            return false;
        menu_->popup(panel_->mapToGlobal(panel_->rect().center()));
        return true;
    case QEvent::MouseButtonPress:
        break;
    default:
        return false;
    }
    const auto *press = static_cast<QMouseEvent *>(event);
    if (!picture_->isVisibleTo(panel_) ||
        (press->button() != Qt::LeftButton && press->button() != Qt::RightButton))
        return false;
    menu_->popup(press->globalPosition().toPoint());
    // The press is the menu's: it does not start a drag of the window.
    return true;
}
