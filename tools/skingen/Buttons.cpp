#include "Buttons.h"

#include <cmath>

namespace {

constexpr int kSheenFrames = 10;
constexpr int kPulseFrames = 8;
constexpr int kSpinFrames = 6;

struct Colours {
    QColor fill; // invalid: no body drawn
    QColor border;
    QColor fg;
};

Colours ChromeColours(bool close, State s) {
    switch (s) {
    case State::Normal:
        return {QColor(), QColor(), QColor(0xB4, 0xBE, 0xCA)};
    case State::Hover:
        return {close ? pal::danger : pal::chromeHover, QColor(), Qt::white};
    case State::Down:
        return {close ? pal::dangerDown : pal::chromeDown, QColor(), QColor(0xDD, 0xE3, 0xEA)};
    case State::Disabled:
        return {QColor(), QColor(), QColor(0x5A, 0x65, 0x72)};
    }
    return {};
}

Colours LightColours(State s) {
    switch (s) {
    case State::Normal:
        return {pal::card, QColor(0xC3, 0xCB, 0xD5), pal::text};
    case State::Hover:
        return {pal::accentSoft, pal::accent, pal::accentDown};
    case State::Down:
        return {QColor(0xCC, 0xDF, 0xF7), pal::accentDown, pal::accentDown};
    case State::Disabled:
        return {QColor(0xEE, 0xF0, 0xF3), QColor(0xDC, 0xE1, 0xE7), QColor(0xA6, 0xAF, 0xBA)};
    }
    return {};
}

// Primary and DarkAccent differ only when disabled.
Colours AccentColours(bool onDark, State s) {
    switch (s) {
    case State::Normal:
        return {pal::accent, pal::accentDown, Qt::white};
    case State::Hover:
        return {pal::accentHover, pal::accent, Qt::white};
    case State::Down:
        return {pal::accentDown, QColor(0x17, 0x4D, 0x8C), QColor(0xE2, 0xEC, 0xF8)};
    case State::Disabled:
        return onDark ? Colours{QColor(0x34, 0x4B, 0x66), QColor(0x3A, 0x52, 0x6E),
                                QColor(0x7D, 0x8F, 0xA4)}
                      : Colours{QColor(0xA9, 0xC6, 0xE8), QColor(0x98, 0xB8, 0xDD),
                                QColor(0xF0, 0xF5, 0xFB)};
    }
    return {};
}

Colours DarkColours(State s) {
    switch (s) {
    case State::Normal:
        return {pal::trayRaised, pal::trayLine, QColor(0xD3, 0xDA, 0xE2)};
    case State::Hover:
        return {QColor(0x3D, 0x4B, 0x5B), pal::accent, Qt::white};
    case State::Down:
        return {pal::trayDeep, QColor(0x2A, 0x34, 0x40), pal::accentLight};
    case State::Disabled:
        return {pal::tray, QColor(0x32, 0x3C, 0x48), QColor(0x5E, 0x6A, 0x77)};
    }
    return {};
}

Colours ColoursFor(Look look, State s) {
    switch (look) {
    case Look::Chrome:
    case Look::ChromeClose:
        return ChromeColours(look == Look::ChromeClose, s);
    case Look::Light:
        return LightColours(s);
    case Look::Primary:
    case Look::DarkAccent:
        return AccentColours(look == Look::DarkAccent, s);
    case Look::Dark:
        return DarkColours(s);
    }
    return {};
}

// The outline of the button's body in its cell.
QPainterPath BodyShape(const ButtonArt &b, Look look) {
    const int w = b.rect.width(), h = b.rect.height();
    QPainterPath shape;
    if (b.round) {
        const qreal d = std::min(w, h) - 8;
        shape.addEllipse(QRectF((w - d) / 2.0, (h - d) / 2.0, d, d));
    } else {
        const qreal radius = (look == Look::Chrome || look == Look::ChromeClose) ? 4 : 5;
        shape = RoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), radius);
    }
    return shape;
}

// A light band sweeping across the body, frame of frames.
void DrawSheen(QPainter &p, const QPainterPath &shape, int w, int h, int frame, int frames) {
    const qreal t = frames == 1 ? 0.5 : static_cast<qreal>(frame) / (frames - 1);
    const qreal cx = -0.25 * w + t * 1.5 * w;
    QLinearGradient g(QPointF(cx - 18, 0), QPointF(cx + 18, h * 0.6));
    g.setColorAt(0, QColor(255, 255, 255, 0));
    g.setColorAt(0.5, QColor(255, 255, 255, 80));
    g.setColorAt(1, QColor(255, 255, 255, 0));
    p.save();
    p.setClipPath(shape);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(QRectF(0, 0, w, h));
    p.restore();
}

// A fading ring swelling around the round body, frame of frames.
void DrawPulse(QPainter &p, int w, int h, int frame, int frames) {
    const qreal t = static_cast<qreal>(frame + 1) / frames;
    const qreal d = std::min(w, h) - 8;
    const qreal r = d / 2 + 0.5 + t * 3.0;
    QColor ring = pal::accentLight;
    ring.setAlpha(static_cast<int>(std::lround(220 * (1 - t))));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ring, 1.6));
    p.drawEllipse(QPointF(w / 2.0, h / 2.0), r, r);
}

// The icon and label side by side in the middle of the cell, one pixel lower when down.
void DrawContent(QPainter &p, const Typeface &type, const ButtonArt &b, State s, Icon icon,
                 const QColor &fg, qreal rotation) {
    const int w = b.rect.width(), h = b.rect.height();
    const qreal dy = s == State::Down ? 1 : 0;
    const qreal iconSize =
        icon == Icon::None ? 0 : (b.iconSize > 0 ? b.iconSize : std::min(h * 0.55, 18.0));
    const qreal textW = b.label.isEmpty() ? 0 : type.Width(b.label, b.boldText, b.textPx);
    const qreal gap = (iconSize > 0 && textW > 0) ? 6 : 0;
    qreal x = std::round((w - (iconSize + gap + textW)) / 2);
    if (b.round && icon == Icon::Play)
        x += 1; // the triangle's weight sits left of its box
    if (iconSize > 0) {
        const QRectF box(x, std::round((h - iconSize) / 2) + dy, iconSize, iconSize);
        DrawIcon(p, icon, box, fg, type, rotation);
        x += iconSize + gap;
    }
    if (textW > 0) {
        const qreal baseline = std::round((h + type.CapHeight(b.boldText, b.textPx)) / 2) + dy;
        type.Draw(p, b.label, b.boldText, b.textPx, QPointF(x, baseline), fg);
    }
}

} // namespace

QString ButtonArt::AnimFile() const {
    if (anim == Anim::None)
        return {};
    QString f = file;
    f.insert(f.lastIndexOf('.'), "_anim");
    return f;
}

int ButtonArt::FrameInterval() const {
    switch (anim) {
    case Anim::Sheen:
        return 40;
    case Anim::Pulse:
        return 60;
    case Anim::Spin:
        return 35;
    case Anim::None:
        break;
    }
    return 0;
}

int ButtonArt::RepeatPause() const {
    switch (anim) {
    case Anim::Sheen:
        return 2600;
    case Anim::Pulse:
        return 1400;
    case Anim::Spin:
    case Anim::None:
        break;
    }
    return 0;
}

qreal ButtonPainter::ContentWidth(const ButtonArt &b) const {
    const qreal h = b.rect.height();
    const qreal icon =
        b.icon == Icon::None ? 0 : (b.iconSize > 0 ? b.iconSize : std::min(h * 0.55, 18.0));
    const qreal text = b.label.isEmpty() ? 0 : type_.Width(b.label, b.boldText, b.textPx);
    const qreal gap = (icon > 0 && text > 0) ? 6 : 0;
    return icon + gap + text;
}

QImage ButtonPainter::Render(const QImage &background, const ButtonArt &b, State s, Look look,
                             Icon icon, int frame, int frames) const {
    const int w = b.rect.width(), h = b.rect.height();
    QImage img = PartOf(background, b.rect).convertToFormat(QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    const QPainterPath shape = BodyShape(b, look);
    const Colours c = ColoursFor(look, s);
    if (c.fill.isValid()) {
        p.setBrush(c.fill);
        p.setPen(c.border.isValid() ? QPen(c.border, 1) : QPen(Qt::NoPen));
        p.drawPath(shape);
    }

    // Animation extras, drawn over the hover look.
    if (frames > 0 && b.anim == Anim::Sheen)
        DrawSheen(p, shape, w, h, frame, frames);
    if (frames > 0 && b.anim == Anim::Pulse)
        DrawPulse(p, w, h, frame, frames);
    qreal rotation = 0;
    if (frames > 0 && b.anim == Anim::Spin)
        rotation = 90.0 * (frame + 1) / frames;
    DrawContent(p, type_, b, s, icon, c.fg, rotation);
    return img;
}

QImage ButtonPainter::Cell(const QImage &background, const ButtonArt &b, State s, Look look) const {
    return Render(background, b, s, look, b.icon, 0, 0);
}

QImage ButtonPainter::Strip(const QImage &background, const ButtonArt &b) const {
    return Strip(background, b, b.look, b.icon);
}

QImage ButtonPainter::Strip(const QImage &background, const ButtonArt &b, Look look,
                            Icon icon) const {
    const int w = b.rect.width(), h = b.rect.height();
    std::vector<State> states{State::Normal, State::Hover, State::Down};
    if (b.disabledCell)
        states.push_back(State::Disabled);
    QImage strip = NewPicture(w * static_cast<int>(states.size()), h, ScaleOf(background));
    QPainter p(&strip);
    for (size_t i = 0; i < states.size(); ++i)
        p.drawImage(static_cast<int>(i) * w, 0, Render(background, b, states[i], look, icon, 0, 0));
    return strip;
}

QImage ButtonPainter::Animation(const QImage &background, const ButtonArt &b) const {
    int frames = 0;
    switch (b.anim) {
    case Anim::None:
        return {};
    case Anim::Sheen:
        frames = kSheenFrames;
        break;
    case Anim::Pulse:
        frames = kPulseFrames;
        break;
    case Anim::Spin:
        frames = kSpinFrames;
        break;
    }
    const int w = b.rect.width(), h = b.rect.height();
    QImage strip = NewPicture(w * frames, h, ScaleOf(background));
    QPainter p(&strip);
    for (int i = 0; i < frames; ++i)
        p.drawImage(i * w, 0, Render(background, b, State::Hover, b.look, b.icon, i, frames));
    return strip;
}

ButtonArt CloseButton(const QString &file, QRect rect, const QString &hint) {
    ButtonArt close;
    close.key = "TB_Close";
    close.file = file;
    close.rect = rect;
    close.look = Look::ChromeClose;
    close.icon = Icon::Close;
    close.iconSize = 12;
    close.hint = hint;
    return close;
}
