#include "controls/ListKeys.h"

#include <QComboBox>

namespace {

class ListKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            ListUsesKey(*static_cast<QKeyEvent *>(event)))
            event->accept(); // the key comes to the list as a key press
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool ListUsesKey(const QKeyEvent &key) {
    if ((key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::NoModifier)
        return false;
    switch (key.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F4:
        return true;
    default:
        return !key.text().isEmpty() && key.text().front().isPrint();
    }
}

void KeepListKeys(QComboBox *list) {
    list->installEventFilter(new ListKeyFilter(list));
}
