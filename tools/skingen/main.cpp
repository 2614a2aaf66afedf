// skingen: draws the program's default skin into a folder.
//
//   skingen [--fonts DIR] [--mock DIR] OUTPUT_DIR
//
// Writes Skin.ini with the sections of the four windows, every bitmap it names, the splash
// picture and the five device pictures. The output depends only on this program, Qt and the two
// DejaVu Sans font files (read from DIR, by default the Debian fonts-dejavu-core folder), so
// every build writes the same bytes. With --mock, pictures of the four windows put together
// from the generated pieces are written to a second folder for looking at the skin.

#include "Buttons.h"
#include "Paint.h"
#include "Pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QRect>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// ---------------------------------------------------------------------------------------------
// Output

class Output {
public:
    explicit Output(QString dir) : dir_(std::move(dir)) {}

    bool Bmp(const QString &name, const QImage &img) {
        return Write(name, img.convertToFormat(QImage::Format_RGB888), "BMP", -1);
    }
    bool Jpeg(const QString &name, const QImage &img) {
        return Write(name, img.convertToFormat(QImage::Format_RGB32), "JPEG", 92);
    }
    bool Text(const QString &name, const QByteArray &bytes) { return Save(name, bytes); }
    bool ok() const { return ok_; }

private:
    bool Write(const QString &name, const QImage &img, const char *format, int quality) {
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
    bool Save(const QString &name, const QByteArray &bytes) {
        QFile f(dir_ + "/" + name);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(f.fileName()));
            ok_ = false;
            return false;
        }
        return true;
    }
    QString dir_;
    bool ok_ = true;
};

// ---------------------------------------------------------------------------------------------
// Skin.ini values: fields separated by commas, every value ending in a comma so that its last
// field counts.

QString Fields(const QStringList &fields) {
    return fields.join(',') + ',';
}
QString Num(int n) {
    return QString::number(n);
}
QString Flag(bool b) {
    return b ? "1" : "0";
}

QString ImageValue(const QString &file, const QRect &r, bool sizesParent) {
    return Fields({file, "", "", Num(r.left()), Num(r.top()), Num(r.width()), Num(r.height()), "1",
                   "0", "", "0", "", Flag(sizesParent), Flag(sizesParent)});
}

QString DynamicValue(const ButtonArt &b) {
    const bool animated = b.anim != Anim::None;
    return Fields({b.file, animated ? b.AnimFile() : "static", "", Num(b.rect.left()),
                   Num(b.rect.top()), Num(b.rect.width()), Num(b.rect.height()), "1", "1", "0", "",
                   b.hint, Num(animated ? b.FrameInterval() : 0),
                   Num(animated ? b.RepeatPause() : 0), Flag(b.disabledCell)});
}

// ---------------------------------------------------------------------------------------------
// One window's part of the skin.

struct Section {
    QString name;
    QStringList lines;
    void Add(const QString &key, const QString &value) { lines << key + "=" + value; }
};

struct Skin {
    Typeface type;
    ButtonPainter buttons{type};
    Output *out = nullptr;
    QList<Section> sections;
    bool ok = true;
    QString error;

    // Button pieces kept for the mock pictures.
    struct Placed {
        QImage cell;
        QPoint at;
        QString window;
        QString key;
    };
    QList<Placed> placed;

    void Fail(const QString &why) {
        if (ok)
            error = why;
        ok = false;
    }

    void Dynamic(Section &s, const QImage &bg, const ButtonArt &b, const QString &window) {
        if (b.hint.contains(',') || b.hint.contains('#'))
            Fail(b.key + ": a hint cannot hold ',' or '#'");
        if (buttons.ContentWidth(b) > b.rect.width() - 8)
            Fail(b.key + ": the label does not fit its button");
        out->Bmp(b.file, buttons.Strip(bg, b));
        if (b.anim != Anim::None)
            out->Bmp(b.AnimFile(), buttons.Animation(bg, b));
        s.Add(b.key, DynamicValue(b));
        placed.append(
            {buttons.Cell(bg, b, State::Normal, b.look), b.rect.topLeft(), window, b.key});
    }
};

// ---------------------------------------------------------------------------------------------
// Shared window furniture

QImage NewBackground(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
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

// A one-pixel frame just outside a flat edit or list of the form.
void FieldFrame(QPainter &p, const QRect &field) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0xA9, 0xB3, 0xBF));
    p.setBrush(pal::card);
    p.drawRect(field.adjusted(-1, -1, 0, 0));
    p.restore();
}

// ---------------------------------------------------------------------------------------------
// Main window (792 x 566)

constexpr int kMainW = 792, kMainH = 566, kMainRadius = 10;
constexpr int kMainTitle = 36;
const QRect kList(8, 64, 404, 266);      // TP_ImageList
const QRect kPreview(421, 68, 300, 224); // Panel_Preview (form)
const QRect kCombo(24, 358, 497, 21);    // ComboBox_OutputSetting (form)
const QPoint kBarAt(421, 300);           // TP_Progress
constexpr int kBarW = 300, kBarH = 18, kMarkerW = 8, kThumbD = 14;
constexpr int kTrackW = 14; // list scroll bar

struct Step {
    const char *title;
    const char *line1;
    const char *line2;
};

QImage MainBackground(const Typeface &type) {
    QImage img = NewBackground(kMainW, kMainH);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    TitleBand(p, type, kMainW, kMainTitle, "Mavo Video Converter", 15);
    type.Draw(p, "2.1", false, 11,
              QPointF(10 + 22 + 9 + type.Width("Mavo Video Converter", true, 15) + 7, 23),
              pal::textOnDarkMuted);

    // Column captions.
    type.Draw(p, "Clips", true, 13, QPointF(10, 55), pal::text);
    type.Draw(p, "Preview", true, 13, QPointF(421, 55), pal::text);

    // Clip tray around the list and the player card around the preview.
    RoundedPanel(p, QRectF(6, 62, 408, 270), 6, pal::tray, QColor());
    RoundedPanel(p, QRectF(416, 62, 370, 292), 8, pal::tray, QColor());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pal::trayDeep);
    p.setBrush(Qt::black);
    p.drawRect(kPreview.adjusted(-1, -1, 0, 0));
    p.setRenderHint(QPainter::Antialiasing, true);

    // Output profile.
    type.Draw(p, "Output profile", true, 13, QPointF(24, 351), pal::text);
    FieldFrame(p, kCombo);

    // How it works, left to right.
    RoundedPanel(p, QRectF(6, 426, 780, 130), 8, pal::card, pal::cardLine);
    const Step steps[] = {
        {"Add clips", "Press Add files and pick", "the videos to convert."},
        {"Preview and trim", "Play a clip and set its", "start and end marks."},
        {"Choose a profile", "Pick the output profile", "or edit your own."},
        {"Convert", "Press Convert and then", "Start in the next window."},
    };
    for (int i = 0; i < 4; ++i) {
        const qreal x0 = 6 + i * 195;
        if (i > 0) {
            p.setPen(QPen(pal::cardLine, 1));
            p.drawLine(QPointF(x0 + 0.5, 444), QPointF(x0 + 0.5, 538));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(pal::accent);
        p.drawEllipse(QPointF(x0 + 28, 458), 12, 12);
        type.DrawCentred(p, QString::number(i + 1), true, 13, QRectF(x0 + 16, 446, 24, 24),
                         Qt::white);
        type.Draw(p, steps[i].title, true, 13, QPointF(x0 + 50, 463), pal::text);
        type.Draw(p, steps[i].line1, false, 11.5, QPointF(x0 + 18, 496), pal::textMuted);
        type.Draw(p, steps[i].line2, false, 11.5, QPointF(x0 + 18, 514), pal::textMuted);
    }
    p.end();
    FrameWindow(img, kMainRadius, pal::frame);
    return img;
}

// The list panel's parts: scroll bar track, thumb, arrows, background and bottom picture.
void ListParts(Skin &skin) {
    Output &out = *skin.out;
    const int cellH = 40, arrowH = 14;
    QImage track(kTrackW, 32, QImage::Format_RGB32);
    track.fill(pal::tray);
    {
        QPainter p(&track);
        p.fillRect(QRect(5, 0, 4, 32), pal::trayDeep);
    }
    out.Bmp("list_track.bmp", track);

    const QColor knob[] = {QColor(0x5C, 0x69, 0x79), QColor(0x7E, 0x8B, 0x9B), pal::accent};
    QImage thumb(kTrackW * 3, cellH, QImage::Format_RGB32);
    {
        QPainter p(&thumb);
        for (int i = 0; i < 3; ++i) {
            for (int y = 0; y < cellH; y += 32)
                p.drawImage(i * kTrackW, y, track);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(Qt::NoPen);
            p.setBrush(knob[i]);
            p.drawPath(RoundedRect(QRectF(i * kTrackW + 3, 1, 8, cellH - 2), 4));
        }
    }
    out.Bmp("list_thumb.bmp", thumb);

    for (int dir = 0; dir < 2; ++dir) {
        QImage arrow(kTrackW * 3, arrowH, QImage::Format_RGB32);
        arrow.fill(pal::tray);
        QPainter p(&arrow);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QColor fg[] = {QColor(0x8C, 0x98, 0xA6), Qt::white, pal::accentLight};
        for (int i = 0; i < 3; ++i) {
            const qreal x = i * kTrackW;
            if (i > 0) {
                p.setPen(Qt::NoPen);
                p.setBrush(i == 1 ? pal::trayRaised : pal::trayDeep);
                p.drawPath(RoundedRect(QRectF(x + 1, 1, kTrackW - 2, arrowH - 2), 3));
            }
            QPen pen(fg[i], 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const qreal cy = arrowH / 2.0, up = dir == 0 ? -1 : 1;
            QPainterPath chevron;
            chevron.moveTo(x + 3.5, cy - up * 1.8);
            chevron.lineTo(x + 7, cy + up * 1.8);
            chevron.lineTo(x + 10.5, cy - up * 1.8);
            p.drawPath(chevron);
        }
        p.end();
        out.Bmp(dir == 0 ? "list_up.bmp" : "list_down.bmp", arrow);
    }

    QImage background(8, 8, QImage::Format_RGB32);
    background.fill(pal::tray);
    out.Bmp("list_bg.bmp", background);

    const int contentW = kList.width() - kTrackW;
    QImage bottom(contentW, 64, QImage::Format_RGB32);
    bottom.fill(pal::tray);
    {
        QPainter p(&bottom);
        const QColor hint(0x74, 0x81, 0x90);
        skin.type.DrawCentred(p, "Double-click a clip to preview it", false, 11.5,
                              QRectF(0, 18, contentW, 14), hint);
        skin.type.DrawCentred(p, "Right-click a clip for more choices", false, 11.5,
                              QRectF(0, 36, contentW, 14), hint);
    }
    out.Bmp("list_bottom.bmp", bottom);

    if (cellH + 2 * arrowH >= kList.height())
        skin.Fail("list: the scroll bar leaves the thumb no room");
    if (contentW < 390)
        skin.Fail("list: clip entries (388 wide at left 2) do not fit");
}

// The position bar: background with its track, fill, thumb and the two range markers. The
// thumb and markers are shaped by their magenta pixels.
void BarParts(Skin &skin, const QImage &mainBg) {
    Output &out = *skin.out;
    QImage bg = mainBg.copy(QRect(kBarAt, QSize(kBarW, kBarH)));
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x4A, 0x56, 0x65));
        p.drawPath(RoundedRect(QRectF(kMarkerW, 6, kBarW - 2 * kMarkerW, 6), 3));
    }
    out.Bmp("bar_bg.bmp", bg);

    QImage fill(4, 6, QImage::Format_RGB32);
    fill.fill(pal::accent);
    out.Bmp("bar_fill.bmp", fill);

    // Pixels the shape covers less than this are left out (magenta).
    auto shaped = [](const QImage &under, const std::function<void(QPainter &)> &draw) {
        QImage cover(under.size(), QImage::Format_ARGB32_Premultiplied);
        cover.fill(Qt::transparent);
        {
            QPainter p(&cover);
            p.setRenderHint(QPainter::Antialiasing, true);
            draw(p);
        }
        QImage cell = under.convertToFormat(QImage::Format_RGB32);
        {
            QPainter p(&cell);
            p.drawImage(0, 0, cover);
        }
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                if (qAlpha(cover.pixel(x, y)) < 96)
                    cell.setPixel(x, y, pal::magenta.rgb());
        return cell;
    };

    const int thumbTop = (kBarH - kThumbD) / 2;
    const QImage thumbUnder = bg.copy(QRect(kBarW / 2, thumbTop, kThumbD, kThumbD));
    const QColor knob[] = {QColor(0xF4, 0xF6, 0xF9), pal::accentLight, pal::accent};
    QImage thumb(kThumbD * 3, kThumbD, QImage::Format_RGB32);
    {
        QPainter p(&thumb);
        for (int i = 0; i < 3; ++i)
            p.drawImage(i * kThumbD, 0, shaped(thumbUnder, [&](QPainter &q) {
                            q.setPen(QPen(i == 0 ? pal::accent : Qt::white, 2));
                            q.setBrush(knob[i]);
                            q.drawEllipse(QPointF(kThumbD / 2.0, kThumbD / 2.0), 5.6, 5.6);
                        }));
    }
    out.Bmp("bar_thumb.bmp", thumb);

    const QColor flag[] = {QColor(0xDC, 0xE2, 0xE9), pal::accentLight, pal::accent};
    for (int which = 0; which < 2; ++which) {
        const QImage under = bg.copy(QRect(0, 0, kMarkerW, kBarH));
        QImage marker(kMarkerW * 3, kBarH, QImage::Format_RGB32);
        QPainter p(&marker);
        for (int i = 0; i < 3; ++i)
            p.drawImage(i * kMarkerW, 0, shaped(under, [&](QPainter &q) {
                            q.setPen(Qt::NoPen);
                            q.setBrush(flag[i]);
                            QPainterPath path;
                            if (which == 0) { // start: pole on the right, flag to the left
                                path.addRect(QRectF(kMarkerW - 2, 1, 2, kBarH - 2));
                                path.moveTo(kMarkerW - 2, 1);
                                path.lineTo(0, 1);
                                path.lineTo(kMarkerW - 2, 8);
                            } else { // stop: pole on the left, flag to the right
                                path.addRect(QRectF(0, 1, 2, kBarH - 2));
                                path.moveTo(2, 1);
                                path.lineTo(kMarkerW, 1);
                                path.lineTo(2, 8);
                            }
                            path.setFillRule(Qt::WindingFill);
                            q.drawPath(path);
                        }));
        p.end();
        out.Bmp(which == 0 ? "bar_start.bmp" : "bar_stop.bmp", marker);
    }
    if (kBarW <= kThumbD + 2 * kMarkerW)
        skin.Fail("bar: thumb and markers leave no range");
}

void MainWindowSkin(Skin &skin) {
    Section s{"MainWindow", {}};
    Output &out = *skin.out;
    const QImage bg = MainBackground(skin.type);
    const QString w = "MainWindow";

    ListParts(skin);
    s.Add("TP_ImageList",
          Fields({"list_thumb.bmp", "list_up.bmp", "list_down.bmp", Num(kList.left()),
                  Num(kList.top()), Num(kList.width()), Num(kList.height()), "", "", "", "", "",
                  "list_track.bmp", "list_bg.bmp", "list_bottom.bmp"}));
    out.Bmp("main_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("main_bg.bmp", QRect(0, 0, kMainW, kMainH), true));

    auto button = [&](const QString &key, const QString &file, QRect r, Look look, Icon icon,
                      const QString &label, const QString &hint) {
        ButtonArt b;
        b.key = key;
        b.file = file;
        b.rect = r;
        b.look = look;
        b.icon = icon;
        b.label = label;
        b.hint = hint;
        return b;
    };

    ButtonArt play = button("TB_Play", "main_play.bmp", QRect(733, 68, 46, 46), Look::DarkAccent,
                            Icon::Play, "", "Play the selected clip");
    play.round = true;
    play.anim = Anim::Pulse;
    play.disabledCell = true;
    play.iconSize = 18;
    ButtonArt stop = button("TB_Stop", "main_stop.bmp", QRect(733, 164, 46, 34), Look::Dark,
                            Icon::Stop, "", "Stop the preview");
    stop.disabledCell = true;
    stop.iconSize = 14;
    ButtonArt pause = button("TB_Pause", "main_pause.bmp", QRect(733, 122, 46, 34), Look::Dark,
                             Icon::Pause, "", "Pause the preview");
    pause.disabledCell = true;
    pause.iconSize = 14;
    ButtonArt next = button("TB_Next", "main_mark_end.bmp", QRect(521, 324, 96, 26), Look::Dark,
                            Icon::MarkEnd, "Set end", "Set the end mark at the current position");
    next.disabledCell = true;
    next.iconSize = 13;
    ButtonArt prev =
        button("TB_Previous", "main_mark_start.bmp", QRect(421, 324, 96, 26), Look::Dark,
               Icon::MarkStart, "Set start", "Set the start mark at the current position");
    prev.disabledCell = true;
    prev.iconSize = 13;
    for (const ButtonArt &b : {play, stop, pause, next, prev})
        skin.Dynamic(s, bg, b, w);

    BarParts(skin, bg);
    s.Add("TP_Progress",
          Fields({"bar_thumb.bmp", "bar_fill.bmp", "bar_bg.bmp", Num(kBarAt.x()), Num(kBarAt.y()),
                  "", "", "1", "1", "", "", "Drag the knob to seek and the flags to trim",
                  "bar_start.bmp", "bar_stop.bmp"}));

    const ButtonArt close = CloseButton("main_close.bmp", QRect(756, 7, 26, 22), "Close");
    skin.Dynamic(s, bg, close, w);

    // Keep-ratio switch: unchecked and checked strips with normal, hover and down cells.
    ButtonArt keep = button("TB_AS_Keep", "main_ratio_free.bmp", QRect(733, 258, 46, 34),
                            Look::Dark, Icon::RatioFree, "", "");
    keep.iconSize = 20;
    out.Bmp("main_ratio_free.bmp", skin.buttons.Strip(bg, keep));
    out.Bmp("main_ratio_keep.bmp", skin.buttons.Strip(bg, keep, Look::DarkAccent, Icon::RatioKeep));
    s.Add("TB_AS_Keep",
          Fields({"main_ratio_free.bmp", "main_ratio_keep.bmp", "", Num(keep.rect.left()),
                  Num(keep.rect.top()), Num(keep.rect.width()), Num(keep.rect.height()), "1", "1",
                  "0", "",
                  "Picture stretched to the panel - click to keep its aspect ratio#Aspect ratio "
                  "kept - click to stretch the picture",
                  "1", "1", "0"}));
    skin.placed.append(
        {skin.buttons.Cell(bg, keep, State::Normal, keep.look), keep.rect.topLeft(), w, keep.key});

    ButtonArt min = button("TB_Min", "main_min.bmp", QRect(724, 7, 26, 22), Look::Chrome,
                           Icon::Minimise, "", "Minimise");
    min.iconSize = 12;
    ButtonArt help = button("TB_Help", "main_help.bmp", QRect(692, 7, 26, 22), Look::Chrome,
                            Icon::Help, "", "Help and about");
    help.iconSize = 13;
    ButtonArt add = button("TB_AddFile", "main_add.bmp", QRect(250, 38, 78, 22), Look::Light,
                           Icon::Add, "Add files", "Add video files to the list");
    add.iconSize = 11;
    add.anim = Anim::Spin;
    ButtonArt del = button("TB_DelFile", "main_remove.bmp", QRect(332, 38, 80, 22), Look::Light,
                           Icon::Remove, "Remove", "Remove the selected clips from the list");
    del.iconSize = 11;
    del.disabledCell = true;
    ButtonArt edit = button("TB_Edit", "main_edit.bmp", QRect(528, 356, 30, 26), Look::Light,
                            Icon::Edit, "", "Edit the chosen output profile");
    edit.iconSize = 15;
    ButtonArt convert =
        button("TB_Convert", "main_convert.bmp", QRect(586, 362, 200, 52), Look::Primary,
               Icon::Convert, "Convert", "Convert the clips with the chosen profile");
    convert.textPx = 16;
    convert.boldText = true;
    convert.iconSize = 20;
    convert.anim = Anim::Sheen;
    convert.disabledCell = true;
    for (const ButtonArt &b : {min, help, add, del, edit, convert})
        skin.Dynamic(s, bg, b, w);

    s.Add("Img_VideoPic",
          ImageValue("ipod.jpg", QRect(0, 0, kPreview.width(), kPreview.height()), false));
    out.Bmp("main_mask.bmp", MakeMask(kMainW, kMainH, kMainRadius));
    s.Add("MaskBmp", "main_mask.bmp");
    skin.sections.append(s);
}

// ---------------------------------------------------------------------------------------------
// Progress window (546 x 346)

constexpr int kProgW = 546, kProgH = 346, kSmallRadius = 8;
const QRect kWorkingFolder(112, 34, 297, 19);
const QRect kProgressPanel(139, 241, 280, 33);

void ProgressWindowSkin(Skin &skin) {
    Section s{"ProgressWindow", {}};
    Output &out = *skin.out;
    const QString w = "ProgressWindow";
    const Typeface &type = skin.type;

    QImage bg = NewBackground(kProgW, kProgH);
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing, true);
        TitleBand(p, type, kProgW, 28, "Convert clips", 13);
        type.Draw(p, "Output folder", false, 12, QPointF(16, 48), pal::text);
        FieldFrame(p, kWorkingFolder);
        RoundedPanel(p, QRectF(16, 68, 514, 140), 6, pal::card, pal::cardLine);
        p.setPen(QPen(pal::cardLine, 1));
        p.drawLine(QPointF(28, 146.5), QPointF(518, 146.5));
        RoundedPanel(p, QRectF(16, 222, 514, 66), 6, pal::card, pal::cardLine);
        type.Draw(p, "This clip", false, 11.5, QPointF(32, 252), pal::textMuted);
        type.Draw(p, "All clips", false, 11.5, QPointF(32, 272), pal::textMuted);
        type.Draw(p, "When every clip is done the output folder opens.", false, 11.5,
                  QPointF(18, 320), pal::textMuted);
    }
    FrameWindow(bg, kSmallRadius, pal::frame);
    out.Bmp("progress_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("progress_bg.bmp", QRect(0, 0, kProgW, kProgH), true));

    // The two bars slide in from the left over their tracks; 280 pixels wide like the panel.
    QImage tracks(kProgressPanel.size(), QImage::Format_RGB32);
    tracks.fill(pal::card);
    {
        QPainter p(&tracks);
        for (int y : {0, 20}) {
            p.setPen(QColor(0xC9, 0xD1, 0xDB));
            p.setBrush(QColor(0xE7, 0xEB, 0xF0));
            p.drawRect(0, y, 279, 12);
        }
    }
    out.Bmp("progress_track.bmp", tracks);
    auto bar = [](const QColor &fill, const QColor &edge) {
        QImage img(280, 13, QImage::Format_RGB32);
        img.fill(fill);
        QPainter p(&img);
        p.setPen(edge);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, 279, 12);
        p.setPen(fill.lighter(112));
        p.drawLine(1, 1, 278, 1);
        return img;
    };
    out.Bmp("progress_clip.bmp", bar(pal::accentLight, QColor(0x6C, 0xA5, 0xE6)));
    out.Bmp("progress_total.bmp", bar(pal::accentHover, pal::accent));
    s.Add("Img_Progress",
          ImageValue("progress_track.bmp", QRect(QPoint(0, 0), kProgressPanel.size()), false));
    s.Add("Img_CP", ImageValue("progress_clip.bmp", QRect(-280, 0, 280, 13), false));
    s.Add("Img_TP", ImageValue("progress_total.bmp", QRect(-280, 20, 280, 13), false));

    ButtonArt start;
    start.key = "TB_Start";
    start.file = "progress_start.bmp";
    start.rect = QRect(426, 298, 104, 34);
    start.look = Look::Primary;
    start.icon = Icon::Play;
    start.iconSize = 13;
    start.label = "Start";
    start.textPx = 13;
    start.boldText = true;
    start.hint = "Start converting the clips";
    start.anim = Anim::Sheen;
    start.disabledCell = true;
    ButtonArt stop = start;
    stop.key = "TB_Stop";
    stop.file = "progress_stop.bmp";
    stop.look = Look::Light;
    stop.icon = Icon::Stop;
    stop.iconSize = 12;
    stop.label = "Stop";
    stop.hint = "Stop converting";
    stop.anim = Anim::None;
    const ButtonArt close = CloseButton("progress_close.bmp", QRect(514, 3, 26, 22), "Close");
    ButtonArt browse;
    browse.key = "TB_Browse";
    browse.file = "progress_browse.bmp";
    browse.rect = QRect(416, 31, 84, 25);
    browse.look = Look::Light;
    browse.icon = Icon::Folder;
    browse.iconSize = 14;
    browse.label = "Browse";
    browse.hint = "Choose the output folder";
    browse.disabledCell = true;
    for (const ButtonArt &b : {start, stop, close, browse})
        skin.Dynamic(s, bg, b, w);

    out.Bmp("progress_mask.bmp", MakeMask(kProgW, kProgH, kSmallRadius));
    s.Add("MaskBmp", "progress_mask.bmp");
    skin.sections.append(s);
}

// ---------------------------------------------------------------------------------------------
// Profile editor (480 x 366)

constexpr int kProfW = 480, kProfH = 366;
const QRect kEditName(136, 34, 225, 19);

void ProfileWindowSkin(Skin &skin) {
    Section s{"ProfileWindow", {}};
    Output &out = *skin.out;
    const Typeface &type = skin.type;
    QImage bg = NewBackground(kProfW, kProfH);
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing, true);
        TitleBand(p, type, kProfW, 28, "Output profile", 13);
        type.Draw(p, "Profile name", false, 12, QPointF(40, 48), pal::text);
        FieldFrame(p, kEditName);
        type.Draw(p, "Stored for the device in use.", false, 11.5, QPointF(40, 349),
                  pal::textMuted);
    }
    FrameWindow(bg, kSmallRadius, pal::frame);
    out.Bmp("profile_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("profile_bg.bmp", QRect(0, 0, kProfW, kProfH), true));

    ButtonArt ok;
    ok.key = "TB_Ok";
    ok.file = "profile_ok.bmp";
    ok.rect = QRect(277, 331, 80, 26);
    ok.look = Look::Primary;
    ok.icon = Icon::Ok;
    ok.iconSize = 12;
    ok.label = "OK";
    ok.textPx = 12;
    ok.boldText = true;
    ok.hint = "Store the profile";
    ButtonArt cancel;
    cancel.key = "TB_Cancel";
    cancel.file = "profile_cancel.bmp";
    cancel.rect = QRect(361, 331, 80, 26);
    cancel.look = Look::Light;
    cancel.label = "Cancel";
    cancel.textPx = 12;
    cancel.hint = "Close without storing";
    const ButtonArt close =
        CloseButton("profile_close.bmp", QRect(448, 3, 26, 22), "Close without storing");
    for (const ButtonArt &b : {ok, cancel, close})
        skin.Dynamic(s, bg, b, "ProfileWindow");

    out.Bmp("profile_mask.bmp", MakeMask(kProfW, kProfH, kSmallRadius));
    s.Add("MaskBmp", "profile_mask.bmp");
    skin.sections.append(s);
}

// ---------------------------------------------------------------------------------------------
// About window (392 x 216)

constexpr int kAboutW = 392, kAboutH = 216;

void AboutWindowSkin(Skin &skin) {
    Section s{"AboutWindow", {}};
    Output &out = *skin.out;
    const Typeface &type = skin.type;
    QImage bg = NewBackground(kAboutW, kAboutH);
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing, true);
        TitleBand(p, type, kAboutW, 30, "About", 13);
        DrawLogo(p, QRectF(316, 48, 56, 56));
        // Right-aligned so that it reads "Version 2.1.3 ..." with the form's label at 184.
        type.Draw(p, "Version", false, 11,
                  QPointF(std::round(178 - type.Width("Version", false, 11)), 98), pal::textMuted);
        type.Draw(p, "Video for phones, handhelds and players", false, 12, QPointF(37, 128),
                  pal::textMuted);
        p.setPen(QPen(pal::cardLine, 1));
        p.drawLine(QPointF(20, 152.5), QPointF(372, 152.5));
    }
    FrameWindow(bg, kSmallRadius, pal::frame);
    out.Bmp("about_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("about_bg.bmp", QRect(0, 0, kAboutW, kAboutH), true));

    ButtonArt home;
    home.key = "TB_Home";
    home.file = "about_home.bmp";
    home.rect = QRect(222, 168, 80, 28);
    home.look = Look::Light;
    home.icon = Icon::Globe;
    home.iconSize = 14;
    home.label = "Website";
    home.hint = "Open our home page";
    ButtonArt contact = home;
    contact.key = "TB_Contact";
    contact.file = "about_contact.bmp";
    contact.rect = QRect(306, 168, 80, 28);
    contact.icon = Icon::Mail;
    contact.label = "Contact";
    contact.hint = "Write to us";
    const ButtonArt close = CloseButton("about_close.bmp", QRect(360, 4, 26, 22), "Close");
    for (const ButtonArt &b : {home, contact, close})
        skin.Dynamic(s, bg, b, "AboutWindow");

    out.Bmp("about_mask.bmp", MakeMask(kAboutW, kAboutH, kSmallRadius));
    s.Add("MaskBmp", "about_mask.bmp");
    skin.sections.append(s);
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

// ---------------------------------------------------------------------------------------------
// Mock pictures: the windows put together from the generated pieces with stand-ins for the
// form's own controls, to judge the skin as a whole.

void WriteMocks(const Skin &skin, const QString &skinDir, const QString &mockDir) {
    const Typeface &type = skin.type;
    auto load = [&](const QString &name) { return QImage(skinDir + "/" + name); };
    auto label = [&](QPainter &p, int x, int y, const QString &t, qreal px = 11, bool bold = false,
                     QColor c = Qt::black) { type.Draw(p, t, bold, px, QPointF(x, y + px), c); };
    auto masked = [](QPainter &p, int x, int y, const QImage &cell) {
        QImage a = cell.convertToFormat(QImage::Format_ARGB32);
        for (int j = 0; j < a.height(); ++j)
            for (int i = 0; i < a.width(); ++i)
                if ((a.pixel(i, j) & 0xFFFFFF) == 0xFF00FF)
                    a.setPixel(i, j, 0);
        p.drawImage(x, y, a);
    };
    auto finish = [&](QImage img, const QString &mask, const QString &name) {
        const QImage m = load(mask);
        img = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((m.pixel(x, y) & 0xFFFFFF) == 0xFF00FF)
                    img.setPixel(x, y, 0);
        img.save(mockDir + "/" + name);
    };
    auto buttons = [&](QPainter &p, const QString &window, const QStringList &skip) {
        for (const auto &pl : skin.placed)
            if (pl.window == window && !skip.contains(pl.key))
                p.drawImage(pl.at, pl.cell);
    };

    // Main window.
    QImage main = load("main_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&main);
        const int contentW = kList.width() - kTrackW;
        p.fillRect(QRect(kList.topLeft(), QSize(contentW, kList.height())), pal::tray);
        const QImage bottom = load("list_bottom.bmp");
        p.drawImage(kList.left(), kList.bottom() + 1 - bottom.height(), bottom);
        for (int i = 0; i < 2; ++i) {
            const QRect item(kList.left() + 2, kList.top() + 2 + i * 66, 388, 64);
            p.fillRect(item, QColor(128, 128, 128));
            p.fillRect(item.adjusted(2, 2, -306, -2), QColor(30, 30, 30));
            p.setPen(QPen(i == 0 ? QColor(0, 255, 0) : QColor(128, 128, 128), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(item.adjusted(1, 1, -1, -1));
            const int x = item.left() + 90, y = item.top();
            label(p, x, y + 2, i == 0 ? "Clip Name : holiday.avi" : "Clip Name : concert.mpg", 10);
            label(p, x, y + 16, "Clip Duration : 00:03:12", 10);
            label(p, x + 160, y + 16, "Clip Resolution : 640x480", 10);
            label(p, x, y + 30, "Video Format : mpeg4 (XVID)", 10);
            label(p, x + 160, y + 30, "Audio Format : mp3", 10);
            label(p, x, y + 44, "Start Time : 00:00:00", 10);
            label(p, x + 160, y + 44, "Stop Time : 00:03:12", 10);
        }
        const int sx = kList.right() + 1 - kTrackW;
        p.drawImage(QRect(sx, kList.top(), kTrackW, kList.height()), load("list_track.bmp"));
        const QImage up = load("list_up.bmp"), down = load("list_down.bmp");
        const QImage thumb = load("list_thumb.bmp");
        p.drawImage(sx, kList.top(), up.copy(0, 0, kTrackW, up.height()));
        p.drawImage(sx, kList.bottom() + 1 - down.height(),
                    down.copy(0, 0, kTrackW, down.height()));
        p.drawImage(sx, kList.top() + up.height(), thumb.copy(0, 0, kTrackW, thumb.height()));

        p.drawImage(kPreview.topLeft(), load("ipod.jpg"));
        // Position bar with marks at 20 % and 70 % and the thumb at 35 %.
        p.drawImage(kBarAt, load("bar_bg.bmp"));
        const int span = kBarW - 2 * kMarkerW;
        const int d = static_cast<int>(0.2 * span + 0.5 + kMarkerW);
        const int e = static_cast<int>(0.7 * span + 0.5 + kMarkerW);
        p.drawImage(QRect(kBarAt.x() + d, kBarAt.y() + 6, e - d, 6), load("bar_fill.bmp"));
        masked(p, kBarAt.x() + d - kMarkerW, kBarAt.y(),
               load("bar_start.bmp").copy(0, 0, kMarkerW, kBarH));
        masked(p, kBarAt.x() + e, kBarAt.y(), load("bar_stop.bmp").copy(0, 0, kMarkerW, kBarH));
        const int maxLeft = kBarW - kThumbD - kMarkerW;
        const int tl = static_cast<int>(0.35 * (maxLeft - kMarkerW) + kMarkerW);
        masked(p, kBarAt.x() + tl, kBarAt.y() + 2,
               load("bar_thumb.bmp").copy(0, 0, kThumbD, kThumbD));

        p.fillRect(kCombo, QColor(0xA0, 0xA0, 0xA0));
        label(p, kCombo.left() + 4, kCombo.top() + 4,
              "320x240 - Video 768 kbit/s - Audio 128 kbit/s");
        buttons(p, "MainWindow", {});
    }
    finish(main, "main_mask.bmp", "main.png");

    // Progress window.
    QImage prog = load("progress_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&prog);
        p.fillRect(kWorkingFolder, Qt::white);
        label(p, kWorkingFolder.left() + 3, kWorkingFolder.top() + 3, "/home/user/MavoOutput/");
        label(p, 32, 88, "Current Clip :");
        label(p, 128, 88, "holiday.avi");
        label(p, 32, 120, "Destination Name :");
        label(p, 128, 120, "holiday.MP4");
        label(p, 32, 160, "Start Time :");
        label(p, 120, 160, "00:00:00");
        label(p, 216, 160, "Stop Time :");
        label(p, 304, 160, "00:03:12");
        label(p, 32, 184, "Total Length :");
        label(p, 120, 184, "00:03:12");
        label(p, 216, 184, "Current Time :");
        label(p, 304, 184, "00:01:07");
        QImage panel = load("progress_track.bmp").convertToFormat(QImage::Format_RGB32);
        {
            QPainter q(&panel);
            q.drawImage(37 * 280 / 100 - 280, 0, load("progress_clip.bmp"));
            q.drawImage(68 * 280 / 100 - 280, 20, load("progress_total.bmp"));
            label(q, 122, -2, "37");
            label(q, 141, -2, "%");
            label(q, 122, 20, "68");
            label(q, 141, 20, "%");
        }
        p.drawImage(kProgressPanel.topLeft(), panel);
        buttons(p, "ProgressWindow", {"TB_Start"});
    }
    finish(prog, "progress_mask.bmp", "progress.png");

    // Profile editor.
    QImage prof = load("profile_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&prof);
        p.fillRect(kEditName, Qt::white);
        label(p, kEditName.left() + 3, kEditName.top() + 3, "My player");
        const QColor groupColour(234, 243, 250);
        for (int g = 0; g < 2; ++g) {
            const QRect box(40, g == 0 ? 64 : 200, 401, 121);
            p.fillRect(box, groupColour);
            p.setPen(QColor(0xB8, 0xC4, 0xD0));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(0, 6, -1, -1));
            p.fillRect(QRect(box.left() + 8, box.top(), 90, 13), groupColour);
            label(p, box.left() + 10, box.top(), g == 0 ? " Video Setting " : " Audio Setting ");
            const char *left[2][3] = {{"Video Resolution:", "Video Quality:", "Frame Rate:"},
                                      {"Audio Channels:", "Audio Quality:", "Frame Rate:"}};
            const char *right[2][3] = {{"Width x Height", "KB / Second", "Frame / Second"},
                                       {"", "KB / Second", "KHertz"}};
            for (int r = 0; r < 3; ++r) {
                label(p, box.left() + 16, box.top() + 24 + r * 32, left[g][r]);
                label(p, box.left() + 300, box.top() + 24 + r * 32, right[g][r]);
                p.fillRect(QRect(box.left() + 136, box.top() + 20 + r * 32, 129, 21), Qt::white);
                p.setPen(QColor(0x9A, 0xA4, 0xAF));
                p.drawRect(QRect(box.left() + 136, box.top() + 20 + r * 32, 128, 20));
            }
        }
        buttons(p, "ProfileWindow", {});
    }
    finish(prof, "profile_mask.bmp", "profile.png");

    // About window.
    QImage about = load("about_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&about);
        // The form's fixed-size title labels clip their text.
        p.setClipRect(QRect(37, 54, 248, 25));
        type.Draw(p, "Mavo iPod Converter 2.1", true, 20, QPointF(38, 74), QColor(192, 192, 192));
        type.Draw(p, "Mavo iPod Converter 2.1", true, 20, QPointF(37, 73), Qt::black);
        p.setClipping(false);
        label(p, 184, 88, "2.1.3 Build on 20070421");
        label(p, 24, 176, "Mavo Software", 13, true);
        buttons(p, "AboutWindow", {});
    }
    finish(about, "about_mask.bmp", "about.png");
}

int Usage() {
    std::fprintf(stderr, "usage: skingen [--fonts DIR] [--mock DIR] OUTPUT_DIR\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString fontDir = "/usr/share/fonts/truetype/dejavu";
    QString mockDir;
    QString outDir;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--fonts" && i + 1 < args.size())
            fontDir = args[++i];
        else if (args[i] == "--mock" && i + 1 < args.size())
            mockDir = args[++i];
        else if (args[i].startsWith("--") || !outDir.isEmpty())
            return Usage();
        else
            outDir = args[i];
    }
    if (outDir.isEmpty())
        return Usage();
    if (!QDir().mkpath(outDir) || (!mockDir.isEmpty() && !QDir().mkpath(mockDir))) {
        std::fprintf(stderr, "skingen: cannot create the output folder\n");
        return 1;
    }

    Skin skin;
    if (!skin.type.Load(fontDir)) {
        std::fprintf(stderr,
                     "skingen: DejaVuSans.ttf and DejaVuSans-Bold.ttf not found in %s "
                     "(Debian package fonts-dejavu-core)\n",
                     qPrintable(fontDir));
        return 1;
    }
    Output out(outDir);
    skin.out = &out;

    // Device pictures first: the main window's video picture names one of them.
    const std::pair<const char *, Device> devices[] = {{"3gp.jpg", Device::Phone3gp},
                                                       {"psp.jpg", Device::Handheld},
                                                       {"ipod.jpg", Device::MediaPlayer},
                                                       {"pda.jpg", Device::Pda},
                                                       {"mp4.jpg", Device::Mp4Player}};
    for (const auto &[name, kind] : devices)
        out.Jpeg(name, DevicePicture(skin.type, kind));
    out.Jpeg("startup.jpg", SplashPicture(skin.type));

    MainWindowSkin(skin);
    ProgressWindowSkin(skin);
    ProfileWindowSkin(skin);
    AboutWindowSkin(skin);
    if (!skin.ok) {
        std::fprintf(stderr, "skingen: %s\n", qPrintable(skin.error));
        return 1;
    }
    // Skin.ini last: its presence means the folder is complete.
    out.Text("Skin.ini", IniText(skin.sections));
    if (!out.ok())
        return 1;
    if (!mockDir.isEmpty())
        WriteMocks(skin, outDir, mockDir);
    return 0;
}
