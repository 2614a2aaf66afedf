#include "Pictures.h"

#include <QRadialGradient>
#include <cmath>

namespace {

// Devices are drawn in a 100 x 100 design box, scaled into the target box.
void Body(QPainter &p, const QRectF &r, qreal radius, const QBrush &c) {
    p.setBrush(c);
    p.drawPath(RoundedRect(r, radius));
}

void Screen(QPainter &p, const QRectF &r, qreal radius, const QBrush &c) {
    p.setBrush(c);
    p.drawPath(RoundedRect(r, radius));
    // A play sign on the screen says "video".
    const QPointF m = r.center();
    const qreal s = std::min(r.width(), r.height()) * 0.22;
    QPainterPath tri;
    tri.moveTo(m.x() - s * 0.7, m.y() - s);
    tri.lineTo(m.x() - s * 0.7, m.y() + s);
    tri.lineTo(m.x() + s * 1.0, m.y());
    tri.closeSubpath();
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawPath(tri);
}

// A bar phone: small screen, navigation key and a keypad.
void Phone(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(32, 6, 36, 88), 8, body);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(58, 1, 5, 8), 2, 2); // antenna
    Screen(p, QRectF(37, 14, 26, 24), 2.5, screen);
    p.setBrush(detail);
    p.drawEllipse(QPointF(50, 46), 5, 4);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRoundedRect(QRectF(38 + col * 8.6, 55 + row * 8.6, 6.4, 5.6), 1.5, 1.5);
}

// A wide game handheld: screen in the middle, pad on the left, four keys on the right.
void Handheld(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(4, 30, 92, 40), 18, body);
    Screen(p, QRectF(27, 35, 46, 30), 2, screen);
    p.setBrush(detail);
    p.drawRect(QRectF(10.5, 47, 11, 4));
    p.drawRect(QRectF(14, 43.5, 4, 11));
    p.drawEllipse(QPointF(84, 44), 2.2, 2.2);
    p.drawEllipse(QPointF(84, 56), 2.2, 2.2);
    p.drawEllipse(QPointF(78, 50), 2.2, 2.2);
    p.drawEllipse(QPointF(90, 50), 2.2, 2.2);
    p.drawEllipse(QPointF(16, 62), 2.6, 2.6);
}

// A pocket music and video player: screen above a round control pad.
void MediaPlayer(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(29, 5, 42, 90), 8, body);
    Screen(p, QRectF(34, 11, 32, 34), 2.5, screen);
    p.setBrush(detail);
    p.drawEllipse(QPointF(50, 70), 15, 15);
    p.setBrush(body);
    p.drawEllipse(QPointF(50, 70), 6, 6);
    p.setBrush(detail.darker(130)); // marks on the pad
    p.drawEllipse(QPointF(50, 59), 1.4, 1.4);
    p.drawEllipse(QPointF(50, 81), 1.4, 1.4);
    p.drawEllipse(QPointF(39, 70), 1.4, 1.4);
    p.drawEllipse(QPointF(61, 70), 1.4, 1.4);
}

// A pocket computer: tall screen, a row of keys and a stylus.
void Pda(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    p.setBrush(detail);
    p.save();
    p.translate(70, 4);
    p.rotate(12);
    p.drawRoundedRect(QRectF(0, 0, 3, 40), 1.2, 1.2);
    p.restore();
    Body(p, QRectF(26, 8, 48, 86), 6, body);
    Screen(p, QRectF(30, 14, 40, 52), 1.5, screen);
    p.setBrush(detail);
    p.drawEllipse(QPointF(50, 80), 6, 6);
    p.drawEllipse(QPointF(35, 80), 3, 3);
    p.drawEllipse(QPointF(65, 80), 3, 3);
}

// A small video player held sideways: wide screen with its keys at the side.
void Mp4Player(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(12, 30, 76, 46), 7, body);
    Screen(p, QRectF(17, 35, 50, 36), 2, screen);
    p.setBrush(detail);
    p.drawEllipse(QPointF(78, 42), 4, 4);
    p.drawRoundedRect(QRectF(74, 51, 8, 4), 1.5, 1.5);
    p.drawRoundedRect(QRectF(74, 59, 8, 4), 1.5, 1.5);
}

// A phone of today beside a tablet: all screen, thin frames.
void Smartphone(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(8, 14, 60, 78), 6, body);
    Screen(p, QRectF(12, 18, 52, 70), 2, screen);
    Body(p, QRectF(62, 30, 30, 62), 6, body);
    Screen(p, QRectF(65, 36, 24, 50), 3, screen);
    p.setBrush(detail);
    p.drawRoundedRect(QRectF(72, 32.5, 10, 1.8), 0.9, 0.9); // the speaker slit
}

// A flat screen on its stand.
void Television(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(4, 18, 92, 58), 3, body);
    Screen(p, QRectF(7, 21, 86, 51), 1, screen);
    p.setBrush(detail);
    p.drawRect(QRectF(46, 76, 8, 9));
    p.drawRoundedRect(QRectF(30, 85, 40, 4), 2, 2);
}

// A clip leaving as a message: a film frame and an arrow on a paper plane's path.
void Share(QPainter &p, const QBrush &body, const QBrush &screen, const QColor &detail) {
    Body(p, QRectF(8, 30, 56, 44), 5, body);
    Screen(p, QRectF(13, 35, 46, 34), 2, screen);
    p.setBrush(detail);
    for (int i = 0; i < 5; ++i) // the film's holes
        p.drawRect(QRectF(10 + i * 11, 31.5, 5, 2));
    QPainterPath plane;
    plane.moveTo(96, 14);
    plane.lineTo(62, 30);
    plane.lineTo(74, 35);
    plane.lineTo(78, 48);
    plane.lineTo(84, 39);
    plane.closeSubpath();
    p.setBrush(body);
    p.drawPath(plane);
}

const char *Caption(Device d) {
    switch (d) {
    case Device::Phone3gp:
        return "Mobile phone (3GP)";
    case Device::Handheld:
        return "Handheld game console";
    case Device::MediaPlayer:
        return "Portable media player";
    case Device::Pda:
        return "Pocket PC / PDA";
    case Device::Mp4Player:
        return "MP4 video player";
    case Device::Smartphone:
        return "Phone / tablet";
    case Device::Television:
        return "TV / computer";
    case Device::Share:
        return "Share (size-capped file)";
    }
    return "";
}

} // namespace

void DrawDevice(QPainter &p, Device d, const QRectF &box, const QBrush &body, const QBrush &screen,
                const QColor &detail) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    p.setPen(Qt::NoPen);
    switch (d) {
    case Device::Phone3gp:
        Phone(p, body, screen, detail);
        break;
    case Device::Handheld:
        Handheld(p, body, screen, detail);
        break;
    case Device::MediaPlayer:
        MediaPlayer(p, body, screen, detail);
        break;
    case Device::Pda:
        Pda(p, body, screen, detail);
        break;
    case Device::Mp4Player:
        Mp4Player(p, body, screen, detail);
        break;
    case Device::Smartphone:
        Smartphone(p, body, screen, detail);
        break;
    case Device::Television:
        Television(p, body, screen, detail);
        break;
    case Device::Share:
        Share(p, body, screen, detail);
        break;
    }
    p.restore();
}

QImage DevicePicture(const Typeface &type, Device d, int scale) {
    const int w = 300, h = 224;
    QImage img = NewPicture(w, h, scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(0x24, 0x2D, 0x38));
    bg.setColorAt(1, QColor(0x0F, 0x13, 0x18));
    p.fillRect(QRect(0, 0, w, h), bg);
    QRadialGradient glow(QPointF(w / 2.0, 92), 110);
    glow.setColorAt(0, QColor(0x2B, 0x7B, 0xD6, 70));
    glow.setColorAt(1, QColor(0x2B, 0x7B, 0xD6, 0));
    p.fillRect(QRect(0, 0, w, h), glow);

    // Gradients in the 100 x 100 design box of the silhouettes.
    QLinearGradient screen(0, 10, 0, 70);
    screen.setColorAt(0, pal::accentHover);
    screen.setColorAt(1, pal::accentDown);
    QLinearGradient body(0, 0, 0, 100);
    body.setColorAt(0, QColor(0xEC, 0xEF, 0xF3));
    body.setColorAt(1, QColor(0xA4, 0xAD, 0xB8));
    // The handheld is wide and flat; it gets a larger box to look as big as the others.
    const qreal size = d == Device::Handheld ? 200 : 150;
    const QRectF box(w / 2.0 - size / 2, 89 - size / 2, size, size);

    // A soft shadow under the silhouette.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawEllipse(QPointF(w / 2.0, 166), 60, 5);
    DrawDevice(p, d, box, body, screen, QColor(0x6A, 0x75, 0x82));

    type.DrawCentred(p, QString::fromLatin1(Caption(d)), true, 14, QRectF(0, 180, w, 18),
                     pal::textOnDark);
    type.DrawCentred(p, "Add clips to preview them here", false, 11, QRectF(0, 200, w, 14),
                     pal::textOnDarkMuted);
    return img;
}

QImage SplashPicture(const Typeface &type, int scale) {
    const int w = 446, h = 243;
    QImage img = NewPicture(w, h, scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0, QColor(0x25, 0x2F, 0x3B));
    bg.setColorAt(1, QColor(0x12, 0x17, 0x1E));
    p.fillRect(QRect(0, 0, w, h), bg);
    QRadialGradient glow(QPointF(90, 90), 180);
    glow.setColorAt(0, QColor(0x2B, 0x7B, 0xD6, 90));
    glow.setColorAt(1, QColor(0x2B, 0x7B, 0xD6, 0));
    p.fillRect(QRect(0, 0, w, h), glow);

    DrawLogo(p, QRectF(36, 46, 76, 76));
    type.Draw(p, "Mavo Video Converter", true, 22, QPointF(130, 82), pal::textOnDark);
    type.Draw(p, "Video for phones, handhelds and media players", false, 12.5, QPointF(131, 106),
              pal::textOnDarkMuted);
    type.Draw(p, "Version 2.1", true, 12, QPointF(131, 128), pal::accentLight);

    // The device kinds along the bottom.
    const Device kinds[] = {Device::Phone3gp, Device::Handheld, Device::MediaPlayer, Device::Pda,
                            Device::Mp4Player};
    const QColor faint(0x4A, 0x57, 0x66);
    for (int i = 0; i < 5; ++i)
        DrawDevice(p, kinds[i], QRectF(130 + i * 58, 150, 44, 44), faint, QColor(0x3A, 0x6C, 0xA6),
                   QColor(0x33, 0x3E, 0x4B));

    p.setPen(Qt::NoPen);
    p.setBrush(pal::accent);
    p.drawRect(QRectF(0, h - 4, w, 4));
    type.Draw(p, "Starting...", false, 11, QPointF(36, h - 16), pal::textOnDarkMuted);
    return img;
}
