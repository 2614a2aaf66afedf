#include "skin/SkinnedForm.h"

#include "controls/TImage.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

TSkinnedForm::TSkinnedForm(QWidget *parent, Qt::WindowFlags extra)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | extra) {}

void TSkinnedForm::CentreOnScreen() {
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void TSkinnedForm::DragMouseDown(Qt::MouseButton button, const QPoint &screen_pos) {
    if (button != Qt::LeftButton) {
        Dragging = false;
        return;
    }
    DragStart = screen_pos;
    DragStartLeft = x();
    DragStartTop = y();
    Dragging = true;
}

void TSkinnedForm::DragMouseMove(Qt::MouseButtons held, const QPoint &screen_pos) {
    if (!(held & Qt::LeftButton) || !Dragging)
        return;
    const int left = DragStartLeft + screen_pos.x() - DragStart.x();
    const int top = DragStartTop + screen_pos.y() - DragStart.y();
    if (left == x() && top == y())
        return;
    move(left, top);
    raise();
}

void TSkinnedForm::DragMouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        Dragging = false;
}

void TSkinnedForm::mousePressEvent(QMouseEvent *event) {
    DragMouseDown(event->button(), event->globalPosition().toPoint());
}

void TSkinnedForm::mouseMoveEvent(QMouseEvent *event) {
    DragMouseMove(event->buttons(), event->globalPosition().toPoint());
}

void TSkinnedForm::mouseReleaseEvent(QMouseEvent *event) {
    DragMouseUp(event->button());
}

void TSkinnedForm::ShowModal() {
    if (modal_loop_ != nullptr)
        return;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    modal_loop_ = &loop;
    show();
    raise();
    activateWindow();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    modal_loop_ = nullptr;
    setWindowModality(Qt::NonModal);
}

void TSkinnedForm::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (modal_loop_ != nullptr && !isVisible())
        modal_loop_->quit();
}

QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                  const QFont &font) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->move(left, top);
    label->adjustSize();
    return label;
}

TImage *TSkinnedForm::CreateBackground() {
    auto *background = CreateComponent<TImage>("Img_Background");
    background->move(0, 0);
    background->setEnabled(false);
    background->lower();
    return background;
}
