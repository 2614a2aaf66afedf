#pragma once
// The skinned buttons. A button is a borderless panel covered by one picture that shows one of
// four state images (normal, hover, down, disabled) cut side by side out of one skin bitmap.
// A state without a cell of its own refers to the normal image object itself ("shared"); such a
// reference is never freed on its own.

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "controls/ControlTimer.h"
#include "controls/TImage.h"

class QKeyEvent;
class QMouseEvent;

// The outline a control shows while it has the keyboard focus (reached by Tab, not by a click):
// made as a child of the control, it follows the control's focus and size by itself. Its colour
// differs from the green of a selected clip.
// The window property that holds the colour of its focus marks (a QColor), set by the skin.
inline constexpr const char *kFocusColorProperty = "mavoFocusColor";

class FocusMark : public QWidget {
    Q_OBJECT
public:
    explicit FocusMark(QWidget *control);
    static QColor Color();
    // Shows the mark when the focus came from the keyboard; hides it otherwise.
    void Follow(bool focused, Qt::FocusReason reason);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

class TImageButton : public QWidget {
    Q_OBJECT
public:
    explicit TImageButton(QWidget *parent = nullptr);
    ~TImageButton() override;

    // Cuts the state images out of source (not kept; a null image counts as no source), sizes
    // the button to one cell and shows it. False, and nothing changed, for no source or a source
    // narrower than the cells it must hold (or a negative cell size).
    bool LoadStates(const QImage &source, int32_t cell_width, int32_t cell_height, bool use_mask,
                    bool has_hover, bool has_down, bool has_disabled);
    // Sets the enabled state and shows the normal or the disabled image.
    virtual void SetButtonEnabled(bool enabled);
    // Shapes the button by the magenta pixels of its normal image (when UseMask is set).
    bool ApplyMaskRegion();
    // A button inside another control (a scroll thumb, a mark) is not a stop of its own for the
    // keyboard.
    void SetKeyboardStop(bool stop);

    TImage *Image = nullptr;
    QImage *NormalBitmap = nullptr;
    QImage *HoverBitmap = nullptr;
    QImage *DownBitmap = nullptr;
    QImage *DisabledBitmap = nullptr;
    bool MouseInside = false;
    bool Pressed = false;
    bool UseMask = false;
    bool HoverOnEnter = true;

signals:
    void MouseDown(QMouseEvent *event);
    void MouseMove(QMouseEvent *event);
    void MouseUp(QMouseEvent *event);
    // A left press and release on the button.
    void Click();

protected:
    // The state handling runs first, then the widget's own handling raises the mouse signals.
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Space, Return and Enter press the focused button.
    void keyPressEvent(QKeyEvent *event) override;

    // The picture takes a copy of bitmap (nothing for none).
    void ShowBitmap(const QImage *bitmap);
    // Called by LoadStates once the new images are in the four state fields.
    virtual void StatesReloaded() {}

private:
    bool click_armed_ = false;
};

// A button with a second, "checked" set of state images and a hint for each state. The four
// state fields of the base hold the set that is shown.
class TCheckImageButton : public TImageButton {
    Q_OBJECT
public:
    struct StateSet {
        QImage *Normal = nullptr;
        QImage *Hover = nullptr;
        QImage *Down = nullptr;
        QImage *Disabled = nullptr;
    };

    explicit TCheckImageButton(QWidget *parent = nullptr);
    ~TCheckImageButton() override;

    // Cuts the checked look; the cell size is the button's current size, so LoadStates must
    // have run first. A null source (the skin calls the checked look "static") only clears
    // CheckedLoaded.
    bool LoadCheckedStates(const QImage &source, bool has_hover, bool has_down, bool has_disabled);
    // Shows the checked or unchecked look and hint. Without a loaded checked look the button
    // keeps showing its unchecked images; only the state and the hint change.
    void SetChecked(bool checked);
    // "unchecked hint # checked hint", each part trimmed.
    void SetCheckHints(const QString &hints);

    StateSet CheckedSet;
    StateSet UncheckedSet;
    QString UncheckedHint;
    QString CheckedHint;
    bool Checked = false;
    bool CheckedLoaded = false;

protected:
    void StatesReloaded() override;

private:
    void RecordSets();
};

// A button that plays a strip of frames while the mouse is over it.
class TDynamicImageButton : public TImageButton {
    Q_OBJECT
public:
    explicit TDynamicImageButton(QWidget *parent = nullptr);
    ~TDynamicImageButton() override;

    // Cuts a horizontal strip of frames, each the size of the button. A null source (the skin
    // calls the animation "static") stops the animation and brings back the plain hover look.
    bool LoadAnimation(const QImage &source, int32_t interval, int32_t pause);
    // One step of the animation (the timer's handler).
    void AnimationTick();

    std::vector<QImage *> Frames;
    ControlTimer *AnimTimer = nullptr;
    int32_t FrameIndex = 0;
    int32_t FrameInterval = 100;
    int32_t RepeatPause = 3000;
    bool RepeatAnimation = false;

protected:
    bool event(QEvent *event) override;

private:
    void ClearFrames();
};
