#pragma once
// The base of every window of the program: borderless, dressed by the skin, and dragged by
// pressing on its background (presses on the background picture fall through to the form).

#include "desktop/Fonts.h"

#include <QFont>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QEventLoop;
class TImage;

class TSkinnedForm : public QWidget {
    Q_OBJECT
public:
    explicit TSkinnedForm(QWidget *parent = nullptr, Qt::WindowFlags extra = {});

    // Centres the window on the screen the cursor is on.
    void CentreOnScreen();

    // The controls the window owns, in creation order: what the skin dresses. Controls that
    // other controls own (a bar's thumb, a list's items) are not among them.
    const QList<QPointer<QWidget>> &Components() const { return components_; }

    // Creates a control owned by this window, named for the skin, on parent (the window when
    // none is given).
    template <typename Control>
    Control *CreateComponent(const QString &name, QWidget *parent = nullptr) {
        auto *control = new Control(parent != nullptr ? parent : this);
        control->setObjectName(name);
        components_.append(control);
        return control;
    }

    // The window's background picture "Img_Background": at 0, 0, at the back, and disabled so
    // that presses on it reach the window (which is dragged by them).
    TImage *CreateBackground();

    // Shows the window modally and returns when it is hidden or closed. Posted messages keep
    // being handled meanwhile.
    void ShowModal();
    bool IsShownModal() const { return modal_loop_ != nullptr; }

    void DragMouseDown(Qt::MouseButton button, const QPoint &screen_pos);
    void DragMouseMove(Qt::MouseButtons held, const QPoint &screen_pos);
    void DragMouseUp(Qt::MouseButton button);

    bool Dragging = false;
    QPoint DragStart;
    int DragStartLeft = 0;
    int DragStartTop = 0;

protected:
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QEventLoop *modal_loop_ = nullptr;
    QList<QPointer<QWidget>> components_;
};

// A label of the forms: transparent, of the given font, at a place.
class QLabel;
QLabel *MakeLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                  const QFont &font);
