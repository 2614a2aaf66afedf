#pragma once
// Button strips: one picture per button with its state cells side by side (normal, hover, down
// and optionally disabled), and the hover animation strips of the animated buttons. Each cell
// starts from the part of the window background the button covers, so the antialiased edges
// blend into the window without any mask.

#include "Paint.h"

#include <QRect>
#include <QString>
#include <vector>

enum class Look {
    Chrome,      // icon on the dark title band
    ChromeClose, // like Chrome, turns red under the mouse
    Light,       // white button on a light body
    Primary,     // accent button: the main action of a window
    Dark,        // button on the dark player card
    DarkAccent,  // accent button on the dark player card
};

enum class State { Normal, Hover, Down, Disabled };

enum class Anim {
    None,
    Sheen, // a light band sweeps across the button
    Pulse, // a ring swells around a round button
    Spin,  // the icon turns a quarter
};

struct ButtonArt {
    QString key;  // component name, also the key in Skin.ini
    QString file; // state strip
    QRect rect;   // place and cell size in the window
    Look look = Look::Light;
    Icon icon = Icon::None;
    QString label;
    QString hint;
    bool round = false;
    bool disabledCell = false;
    Anim anim = Anim::None;
    qreal textPx = 11;
    bool boldText = false;
    qreal iconSize = 0; // 0: chosen from the height

    QString AnimFile() const;
    int Cells() const { return disabledCell ? 4 : 3; }
    int FrameInterval() const;
    int RepeatPause() const;
};

// The close button of a window's title band ("TB_Close").
ButtonArt CloseButton(const QString &file, QRect rect, const QString &hint);

class ButtonPainter {
public:
    explicit ButtonPainter(const Typeface &type) : type_(type) {}

    QImage Cell(const QImage &background, const ButtonArt &b, State s, Look look) const;
    // Normal, hover, down and (when the button has one) disabled cells side by side.
    QImage Strip(const QImage &background, const ButtonArt &b) const;
    // The strip drawn with another look (the checked look of a check button).
    QImage Strip(const QImage &background, const ButtonArt &b, Look look, Icon icon) const;
    // The hover animation frames; empty for a button without animation.
    QImage Animation(const QImage &background, const ButtonArt &b) const;
    // Width of the icon and label; the generator refuses labels that do not fit.
    qreal ContentWidth(const ButtonArt &b) const;

private:
    QImage Render(const QImage &background, const ButtonArt &b, State s, Look look, Icon icon,
                  int frame, int frames) const;
    const Typeface &type_;
};
