#include "Skin.h"

#include "Pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <cmath>
#include <cstdio>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Output

QString ScaledName(const QString &name, int scale) {
    if (scale == 1)
        return name;
    QString scaled = name;
    const qsizetype dot = name.lastIndexOf('.');
    scaled.insert(dot < 0 ? name.size() : dot, QString("@%1x").arg(scale));
    return scaled;
}

bool Output::Bmp(const QString &name, const QImage &img) {
    return Write(ScaledName(name, ScaleOf(img)), img.convertToFormat(QImage::Format_RGB888), "BMP",
                 -1);
}

bool Output::Jpeg(const QString &name, const QImage &img) {
    return Write(ScaledName(name, ScaleOf(img)), img.convertToFormat(QImage::Format_RGB32), "JPEG",
                 92);
}

bool Output::Write(const QString &name, const QImage &img, const char *format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(img)) {
        std::fprintf(stderr, "skingen: cannot encode %s: %s\n", qPrintable(name),
                     qPrintable(writer.errorString()));
        ok_ = false;
        return false;
    }
    return Save(name, bytes);
}

bool Output::Save(const QString &name, const QByteArray &bytes) {
    QFile f(dir_ + "/" + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(f.fileName()));
        ok_ = false;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Skin.ini values

namespace {

QString Flag(bool b) {
    return b ? "1" : "0";
}

QString DynamicValue(const ButtonArt &b) {
    const bool animated = b.anim != Anim::None;
    return Fields({b.file, animated ? b.AnimFile() : "static", "", Num(b.rect.left()),
                   Num(b.rect.top()), Num(b.rect.width()), Num(b.rect.height()), "1", "1", "0", "",
                   b.hint, Num(animated ? b.FrameInterval() : 0),
                   Num(animated ? b.RepeatPause() : 0), Flag(b.disabledCell)});
}

QByteArray IniText(const QList<Section> &sections) {
    QByteArray text =
        "; The default skin, drawn by skingen at build time: one section per window,\n"
        "; one key per skinned control (comma-separated fields, each value ending\n"
        "; in a comma) and the window outline under MaskBmp.\n";
    for (const Section &s : sections) {
        text += "\n[" + s.name.toUtf8() + "]\n";
        for (const QString &line : s.lines)
            text += line.toUtf8() + "\n";
    }
    return text;
}

} // namespace

QString Fields(const QStringList &fields) {
    return fields.join(',') + ',';
}

QString Num(int n) {
    return QString::number(n);
}

QString ImageValue(const QString &file, const QRect &r, bool sizesParent) {
    return Fields({file, "", "", Num(r.left()), Num(r.top()), Num(r.width()), Num(r.height()), "1",
                   "0", "", "0", "", Flag(sizesParent), Flag(sizesParent)});
}

// ---------------------------------------------------------------------------------------------
// Skin

void Skin::Fail(const QString &why) {
    if (ok)
        error = why;
    ok = false;
}

void Skin::Dynamic(Section &s, const QImage &bg, const ButtonArt &b, const QString &window) {
    if (b.hint.contains(',') || b.hint.contains('#'))
        Fail(b.key + ": a hint cannot hold ',' or '#'");
    if (buttons.ContentWidth(b) > b.rect.width() - 8)
        Fail(b.key + ": the label does not fit its button");
    out->Bmp(b.file, buttons.Strip(bg, b));
    if (b.anim != Anim::None)
        out->Bmp(b.AnimFile(), buttons.Animation(bg, b));
    s.Add(b.key, DynamicValue(b));
    placed.append({buttons.Cell(bg, b, State::Normal, b.look), b.rect.topLeft(), window, b.key});
}

// ---------------------------------------------------------------------------------------------
// Shared window furniture

QImage NewBackground(int w, int h, int scale) {
    QImage img = NewPicture(w, h, scale);
    img.fill(pal::body);
    return img;
}

void TitleBand(QPainter &p, const Typeface &type, int w, int height, const QString &title,
               qreal titlePx) {
    p.fillRect(QRect(0, 0, w, height), pal::chrome);
    const qreal logo = height <= 30 ? 18 : 22;
    const qreal top = std::round((height - logo) / 2);
    DrawLogo(p, QRectF(10, top, logo, logo));
    const qreal baseline = std::round((height + type.CapHeight(true, titlePx)) / 2);
    type.Draw(p, title, true, titlePx, QPointF(10 + logo + 9, baseline), pal::textOnDark);
}

void RoundedPanel(QPainter &p, const QRectF &r, qreal radius, const QColor &fill,
                  const QColor &line) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(fill);
    p.setPen(line.isValid() ? QPen(line, 1) : QPen(Qt::NoPen));
    p.drawPath(RoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius));
    p.restore();
}

void FieldFrame(QPainter &p, const QRect &field) {
    PixelFrame(p, field.adjusted(-1, -1, 1, 1), QColor(0xA9, 0xB3, 0xBF), pal::card);
}

// ---------------------------------------------------------------------------------------------
// The whole skin

namespace {

// Every picture of the skin at one scale; the windows' sections and placed buttons are those of
// this pass.
void DrawPass(Skin &skin, int scale) {
    Output &out = *skin.out;
    skin.scale = scale;
    skin.sections.clear();
    skin.placed.clear();
    // Device pictures first: the main window's video picture names one of them.
    const std::pair<const char *, Device> devices[] = {
        {"3gp.jpg", Device::Phone3gp},     {"psp.jpg", Device::Handheld},
        {"ipod.jpg", Device::MediaPlayer}, {"pda.jpg", Device::Pda},
        {"mp4.jpg", Device::Mp4Player},    {"phone.jpg", Device::Smartphone},
        {"tv.jpg", Device::Television},    {"share.jpg", Device::Share}};
    for (const auto &[name, kind] : devices)
        out.Jpeg(name, DevicePicture(skin.type, kind, scale));
    out.Jpeg("startup.jpg", SplashPicture(skin.type, scale));

    MainWindowSkin(skin);
    ProgressWindowSkin(skin);
    ProfileWindowSkin(skin);
    AboutWindowSkin(skin);
}

} // namespace

bool WriteSkin(Skin &skin) {
    Output &out = *skin.out;
    // Twice the scale first; the pass at scale 1 comes last, so that its sections are written
    // and its buttons are the ones the mock pictures show.
    DrawPass(skin, 2);
    const QList<Section> twice = skin.sections;
    DrawPass(skin, 1);
    if (twice != skin.sections)
        skin.Fail("the pictures at scale 2 need a Skin.ini of their own");
    if (!skin.ok) {
        std::fprintf(stderr, "skingen: %s\n", qPrintable(skin.error));
        return false;
    }
    // Every window marks the control the keyboard is on in the same colour, apart from the
    // accent of what is selected.
    for (Section &section : skin.sections)
        section.Add("FocusColor", pal::focus.name());
    // Skin.ini last: its presence means the folder is complete.
    out.Text("Skin.ini", IniText(skin.sections));
    return out.ok();
}
