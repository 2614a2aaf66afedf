#include "Paint.h"

#include <QFile>
#include <QTransform>
#include <cmath>

namespace {

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Maps the unit square onto the box.
QTransform UnitTo(const QRectF &box) {
    return QTransform(box.width(), 0, 0, box.height(), box.left(), box.top());
}

QPainterPath Poly(std::initializer_list<QPointF> pts, bool close = true) {
    QPainterPath path;
    bool first = true;
    for (const QPointF &pt : pts) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    if (close)
        path.closeSubpath();
    return path;
}

} // namespace

bool Typeface::Load(const QString &folder) {
    regular_ = ReadAll(folder + "/DejaVuSans.ttf");
    bold_ = ReadAll(folder + "/DejaVuSans-Bold.ttf");
    return !regular_.isEmpty() && !bold_.isEmpty() && Font(false, 12).isValid() &&
           Font(true, 12).isValid();
}

const QRawFont &Typeface::Font(bool bold, qreal px) const {
    // Sizes are kept in quarter pixels.
    const int key = static_cast<int>(std::lround(px * 4));
    auto it = cache_.find({bold, key});
    if (it == cache_.end()) {
        QRawFont font(bold ? bold_ : regular_, key / 4.0, QFont::PreferNoHinting);
        it = cache_.emplace(std::make_pair(bold, key), font).first;
    }
    return it->second;
}

QPainterPath Typeface::Path(const QString &text, bool bold, qreal px) const {
    const QRawFont &font = Font(bold, px);
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances =
        font.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances | QRawFont::UseDesignMetrics);
    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    qreal x = 0;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        out.addPath(font.pathForGlyph(glyphs[i]).translated(x, 0));
        x += advances[i].x();
    }
    return out;
}

qreal Typeface::Width(const QString &text, bool bold, qreal px) const {
    const QRawFont &font = Font(bold, px);
    const QList<QPointF> advances = font.advancesForGlyphIndexes(
        font.glyphIndexesForString(text), QRawFont::KernedAdvances | QRawFont::UseDesignMetrics);
    qreal w = 0;
    for (const QPointF &a : advances)
        w += a.x();
    return w;
}

qreal Typeface::CapHeight(bool bold, qreal px) const {
    return Font(bold, px).capHeight();
}

void Typeface::Draw(QPainter &p, const QString &text, bool bold, qreal px, QPointF baseline,
                    const QColor &c) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(Path(text, bold, px).translated(baseline));
    p.restore();
}

void Typeface::DrawCentred(QPainter &p, const QString &text, bool bold, qreal px, const QRectF &r,
                           const QColor &c) const {
    const qreal x = r.center().x() - Width(text, bold, px) / 2;
    const qreal y = r.center().y() + CapHeight(bold, px) / 2;
    Draw(p, text, bold, px, QPointF(std::round(x), std::round(y)), c);
}

QPainterPath RoundedRect(const QRectF &r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

namespace {

// Fills and strokes paths drawn in the unit square, mapped onto an icon's box.
struct IconInk {
    QPainter &p;
    const QTransform t;
    const QColor &c;
    const qreal size;
    QPen pen;

    void Fill(const QPainterPath &path) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(t.map(path));
    }
    void Stroke(const QPainterPath &path) {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(t.map(path));
    }
};

// Play, pause, stop and the two trim marks.
void PlayerIcon(IconInk &ink, Icon icon) {
    switch (icon) {
    case Icon::Play:
        ink.Fill(Poly({{0.27, 0.16}, {0.27, 0.84}, {0.85, 0.5}}));
        break;
    case Icon::Pause: {
        QPainterPath path;
        path.addRoundedRect(QRectF(0.22, 0.17, 0.19, 0.66), 0.04, 0.04);
        path.addRoundedRect(QRectF(0.59, 0.17, 0.19, 0.66), 0.04, 0.04);
        ink.Fill(path);
        break;
    }
    case Icon::Stop: {
        QPainterPath path;
        path.addRoundedRect(QRectF(0.2, 0.2, 0.6, 0.6), 0.06, 0.06);
        ink.Fill(path);
        break;
    }
    case Icon::MarkStart:
        ink.Stroke(Poly({{0.4, 0.14}, {0.18, 0.14}, {0.18, 0.86}, {0.4, 0.86}}, false));
        ink.Fill(Poly({{0.44, 0.28}, {0.44, 0.72}, {0.86, 0.5}}));
        break;
    case Icon::MarkEnd:
        ink.Fill(Poly({{0.14, 0.28}, {0.14, 0.72}, {0.56, 0.5}}));
        ink.Stroke(Poly({{0.6, 0.14}, {0.82, 0.14}, {0.82, 0.86}, {0.6, 0.86}}, false));
        break;
    default:
        break;
    }
}

// The picture's frame, stretched (arrows) or keeping its aspect ratio (a picture inside).
void RatioIcon(IconInk &ink, Icon icon) {
    QPainterPath frame;
    frame.addRect(QRectF(0.08, 0.2, 0.84, 0.6));
    ink.Stroke(frame);
    if (icon == Icon::RatioFree) {
        ink.Stroke(Poly({{0.26, 0.5}, {0.74, 0.5}}, false));
        ink.Stroke(Poly({{0.36, 0.38}, {0.24, 0.5}, {0.36, 0.62}}, false));
        ink.Stroke(Poly({{0.64, 0.38}, {0.76, 0.5}, {0.64, 0.62}}, false));
    } else {
        QPainterPath picture;
        picture.addRect(QRectF(0.3, 0.34, 0.4, 0.32));
        ink.Fill(picture);
    }
}

// A question mark set in the bold face, centred in the box.
void HelpIcon(QPainter &p, const QRectF &box, const QColor &c, const Typeface &type) {
    const qreal px = box.width() * 0.95;
    QPainterPath q = type.Path("?", true, px);
    const QRectF b = q.boundingRect();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(q.translated(box.center() - b.center()));
}

// Close, minimise and the actions on clips and profiles.
void ActionIcon(IconInk &ink, Icon icon) {
    switch (icon) {
    case Icon::Close:
        ink.Stroke(Poly({{0.26, 0.26}, {0.74, 0.74}}, false));
        ink.Stroke(Poly({{0.74, 0.26}, {0.26, 0.74}}, false));
        break;
    case Icon::Minimise:
        ink.Stroke(Poly({{0.24, 0.68}, {0.76, 0.68}}, false));
        break;
    case Icon::Add:
        ink.Stroke(Poly({{0.5, 0.18}, {0.5, 0.82}}, false));
        ink.Stroke(Poly({{0.18, 0.5}, {0.82, 0.5}}, false));
        break;
    case Icon::Remove:
        ink.Stroke(Poly({{0.18, 0.5}, {0.82, 0.5}}, false));
        break;
    case Icon::Edit:
        ink.pen.setWidthF(std::max<qreal>(1.4, ink.size * 0.09));
        ink.Stroke(Poly({{0.16, 0.84}, {0.2, 0.64}, {0.64, 0.2}, {0.8, 0.36}, {0.36, 0.8}}));
        ink.Stroke(Poly({{0.54, 0.3}, {0.7, 0.46}}, false));
        break;
    case Icon::Convert:
        ink.Fill(Poly({{0.1, 0.4},
                       {0.52, 0.4},
                       {0.52, 0.2},
                       {0.9, 0.5},
                       {0.52, 0.8},
                       {0.52, 0.6},
                       {0.1, 0.6}}));
        break;
    case Icon::Ok:
        ink.Stroke(Poly({{0.18, 0.52}, {0.4, 0.74}, {0.84, 0.28}}, false));
        break;
    default:
        break;
    }
}

// Folder, website and mail: thinner lines for their finer shapes.
void FineLineIcon(IconInk &ink, Icon icon) {
    switch (icon) {
    case Icon::Folder:
        ink.pen.setWidthF(std::max<qreal>(1.4, ink.size * 0.09));
        ink.Stroke(
            Poly({{0.1, 0.24}, {0.38, 0.24}, {0.46, 0.34}, {0.9, 0.34}, {0.9, 0.8}, {0.1, 0.8}}));
        break;
    case Icon::Globe: {
        ink.pen.setWidthF(std::max<qreal>(1.3, ink.size * 0.08));
        QPainterPath g;
        g.addEllipse(QRectF(0.12, 0.12, 0.76, 0.76));
        g.addEllipse(QRectF(0.33, 0.12, 0.34, 0.76));
        g.moveTo(0.12, 0.5);
        g.lineTo(0.88, 0.5);
        ink.Stroke(g);
        break;
    }
    case Icon::Mail: {
        ink.pen.setWidthF(std::max<qreal>(1.3, ink.size * 0.08));
        QPainterPath m;
        m.addRect(QRectF(0.1, 0.24, 0.8, 0.54));
        ink.Stroke(m);
        ink.Stroke(Poly({{0.1, 0.26}, {0.5, 0.56}, {0.9, 0.26}}, false));
        break;
    }
    default:
        break;
    }
}

} // namespace

void DrawIcon(QPainter &p, Icon icon, const QRectF &box, const QColor &c, const Typeface &type,
              qreal rotation) {
    if (icon == Icon::None)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    if (rotation != 0) {
        p.translate(box.center());
        p.rotate(rotation);
        p.translate(-box.center());
    }
    const qreal s = box.width();
    IconInk ink{
        p, UnitTo(box), c, s,
        QPen(c, std::max<qreal>(1.6, s * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)};
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Play:
    case Icon::Pause:
    case Icon::Stop:
    case Icon::MarkStart:
    case Icon::MarkEnd:
        PlayerIcon(ink, icon);
        break;
    case Icon::RatioFree:
    case Icon::RatioKeep:
        RatioIcon(ink, icon);
        break;
    case Icon::Help:
        HelpIcon(p, box, c, type);
        break;
    case Icon::Close:
    case Icon::Minimise:
    case Icon::Add:
    case Icon::Remove:
    case Icon::Edit:
    case Icon::Convert:
    case Icon::Ok:
        ActionIcon(ink, icon);
        break;
    case Icon::Folder:
    case Icon::Globe:
    case Icon::Mail:
        FineLineIcon(ink, icon);
        break;
    }
    p.restore();
}

void DrawLogo(QPainter &p, const QRectF &box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = box.width();
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, pal::accentHover);
    g.setColorAt(1, pal::accentDown);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(RoundedRect(box, s * 0.22));
    // Film perforations along the top and bottom edge.
    p.setBrush(QColor(255, 255, 255, 90));
    const int holes = 4;
    for (int i = 0; i < holes; ++i) {
        const qreal x = box.left() + s * (0.17 + i * 0.19);
        p.drawRect(QRectF(x, box.top() + s * 0.1, s * 0.1, s * 0.08));
        p.drawRect(QRectF(x, box.bottom() - s * 0.18, s * 0.1, s * 0.08));
    }
    QPainterPath play = Poly({{0.38, 0.32}, {0.38, 0.68}, {0.7, 0.5}});
    p.setBrush(Qt::white);
    p.drawPath(UnitTo(box).map(play));
    p.restore();
}

bool OutsideRoundedCorner(int x, int y, int w, int h, int radius) {
    const double r = radius;
    double cx, cy;
    if (x < radius)
        cx = r;
    else if (x >= w - radius)
        cx = w - r;
    else
        return false;
    if (y < radius)
        cy = r;
    else if (y >= h - radius)
        cy = h - r;
    else
        return false;
    const double dx = (x + 0.5) - cx, dy = (y + 0.5) - cy;
    return dx * dx + dy * dy > r * r;
}

QImage NewPicture(int w, int h, int scale, QImage::Format format) {
    QImage img(w * scale, h * scale, format);
    img.setDevicePixelRatio(scale);
    return img;
}

int ScaleOf(const QImage &img) {
    return static_cast<int>(std::lround(img.devicePixelRatio()));
}

QImage PartOf(const QImage &img, const QRect &r) {
    const int s = ScaleOf(img);
    return img.copy(QRect(r.topLeft() * s, r.size() * s));
}

void PixelFrame(QPainter &p, const QRect &box, const QColor &line, const QBrush &fill) {
    if (fill.style() != Qt::NoBrush)
        p.fillRect(box, fill);
    const int x = box.left(), y = box.top(), w = box.width(), h = box.height();
    p.fillRect(QRect(x, y, w, 1), line);
    p.fillRect(QRect(x, y + h - 1, w, 1), line);
    p.fillRect(QRect(x, y, 1, h), line);
    p.fillRect(QRect(x + w - 1, y, 1, h), line);
}

QImage MakeMask(int w, int h, int radius, int scale) {
    QImage mask = NewPicture(w, h, scale);
    mask.fill(Qt::black);
    const int pw = mask.width(), ph = mask.height(), pr = radius * scale;
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x)
            if (OutsideRoundedCorner(x, y, pw, ph, pr))
                mask.setPixel(x, y, pal::magenta.rgb());
    return mask;
}

void FrameWindow(QImage &img, int radius, const QColor &line) {
    const int w = img.width(), h = img.height();
    radius *= ScaleOf(img);
    auto outside = [&](int x, int y) {
        return x < 0 || y < 0 || x >= w || y >= h || OutsideRoundedCorner(x, y, w, h, radius);
    };
    QImage out = img.copy();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (outside(x, y)) {
                out.setPixel(x, y, line.rgb());
                continue;
            }
            if (outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1))
                out.setPixel(x, y, line.rgb());
        }
    img = out;
}
