#include "controls/ControlAccessibility.h"

#include "common/SharedFunctions.h"
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ImageItem.h"
#include "controls/ListPanel.h"
#include "model/ClipList.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A control named by what it does: its own accessible name, or else its hint.
class NamedControl : public QAccessibleWidget {
public:
    NamedControl(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return !name.isEmpty() ? name : widget()->toolTip();
        }
        return QAccessibleWidget::text(t);
    }
};

// A push button, or a check button with its state; pressing it is its one action.
class ButtonAccessible : public NamedControl {
public:
    explicit ButtonAccessible(TImageButton *button)
        : NamedControl(button, qobject_cast<TCheckImageButton *>(button) != nullptr
                                   ? QAccessible::CheckBox
                                   : QAccessible::Button) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (const auto *check = qobject_cast<const TCheckImageButton *>(widget())) {
            s.checkable = true;
            s.checked = check->Checked;
        }
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override {
        if (name == pressAction() && widget()->isEnabled())
            emit static_cast<TImageButton *>(widget())->Click();
    }
};

// An entry of the clip list: its clip in words, and whether it is selected.
class ClipEntryAccessible : public QAccessibleWidget {
public:
    explicit ClipEntryAccessible(Image_Item *item)
        : QAccessibleWidget(item, QAccessible::ListItem) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = static_cast<Image_Item *>(widget())->Selected;
        return s;
    }
};

// The position bar: a slider whose value is the play position in percent.
class BarAccessible : public NamedControl, public QAccessibleValueInterface {
public:
    explicit BarAccessible(TFixProgress *bar) : NamedControl(bar, QAccessible::Slider) {}
    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return NamedControl::interface_cast(type);
    }
    QVariant currentValue() const override {
        return static_cast<TFixProgress *>(widget())->Position;
    }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 1.0; }
};

QAccessibleInterface *ControlAccessible(const QString &class_name, QObject *object) {
    if (class_name == QLatin1String("TImageButton") ||
        class_name == QLatin1String("TCheckImageButton") ||
        class_name == QLatin1String("TDynamicImageButton"))
        return new ButtonAccessible(static_cast<TImageButton *>(object));
    if (class_name == QLatin1String("Image_Item"))
        return new ClipEntryAccessible(static_cast<Image_Item *>(object));
    if (class_name == QLatin1String("TListPanel"))
        return new NamedControl(static_cast<QWidget *>(object), QAccessible::List);
    if (class_name == QLatin1String("TFixProgress"))
        return new BarAccessible(static_cast<TFixProgress *>(object));
    return nullptr;
}

} // namespace

void InstallControlAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ControlAccessible);
        return true;
    }();
    (void)installed;
}
