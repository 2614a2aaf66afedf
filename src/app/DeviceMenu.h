#pragma once
// The choice of the device: a click on the device picture in the preview panel pops up a menu of
// the devices, the current one checked. Only while the picture shows (no clip playing).

#include <QList>
#include <QObject>
#include <cstdint>

class QAction;
class QKeyEvent;
class QMenu;
class QWidget;

class DeviceMenu : public QObject {
    Q_OBJECT
public:
    // panel: the preview panel, which gets the clicks (the picture takes no mouse input);
    // picture: the device picture inside it.
    DeviceMenu(QWidget *panel, QWidget *picture);

    // Checks the entry of the device.
    void SetCurrent(int32_t device_type);
    int32_t Current() const { return current_; }
    QMenu *Menu() const { return menu_; }

signals:
    void DeviceChosen(int32_t device_type);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool OpensMenu(const QKeyEvent *key) const;

    QWidget *panel_;
    QWidget *picture_;
    QMenu *menu_;
    QList<QAction *> entries_;
    int32_t current_ = -1;
};
