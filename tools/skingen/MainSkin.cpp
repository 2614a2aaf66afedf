// The main window (792 x 566): the clip list, the preview with its player buttons and position
// bar, the output profile and the four steps of a conversion along the bottom.

#include "Mock.h"
#include "Skin.h"

#include <QPainterPath>
#include <cmath>
#include <functional>

namespace {

constexpr int kMainW = 792, kMainH = 566, kMainRadius = 10;
constexpr int kMainTitle = 36;
const QRect kList(8, 64, 404, 266);      // TP_ImageList
const QRect kPreview(421, 68, 300, 224); // Panel_Preview (form)
const QRect kDevice(24, 358, 150, 21);   // ComboBox_Device (form)
const QRect kCombo(184, 358, 337, 21);   // ComboBox_OutputSetting (form)
const QPoint kBarAt(421, 300);           // TP_Progress
constexpr int kBarW = 300, kBarH = 18, kMarkerW = 8, kThumbD = 14;
constexpr int kTrackW = 14;                       // list scroll bar
constexpr int kListThumbH = 40, kListArrowH = 14; // its thumb and arrow cells
const QString kWindow = "MainWindow";

// ---------------------------------------------------------------------------------------------
// Background

struct Step {
    const char *title;
    const char *line1;
    const char *line2;
};

// How it works, left to right.
void DrawSteps(QPainter &p, const Typeface &type) {
    RoundedPanel(p, QRectF(6, 426, 780, 130), 8, pal::card, pal::cardLine);
    const Step steps[] = {
        {"Add clips", "Press Add files and pick", "the videos to convert."},
        {"Preview and trim", "Play a clip and set its", "start and end marks."},
        {"Choose a profile", "Pick the device, then its", "profile, or edit your own."},
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
}

QImage MainBackground(const Typeface &type, int scale) {
    QImage img = NewBackground(kMainW, kMainH, scale);
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
    PixelFrame(p, kPreview.adjusted(-1, -1, 1, 1), pal::trayDeep, Qt::black);

    // The device, and its output profile.
    type.Draw(p, "Device", true, 13, QPointF(kDevice.left(), 351), pal::text);
    FieldFrame(p, kDevice);
    type.Draw(p, "Output profile", true, 13, QPointF(kCombo.left(), 351), pal::text);
    FieldFrame(p, kCombo);

    DrawSteps(p, type);
    p.end();
    FrameWindow(img, kMainRadius, pal::frame);
    return img;
}

// ---------------------------------------------------------------------------------------------
// The list panel's pieces: scroll bar track, thumb, arrows, background and bottom picture.

QImage ListTrack(int scale) {
    QImage track = NewPicture(kTrackW, 32, scale);
    track.fill(pal::tray);
    {
        QPainter p(&track);
        p.fillRect(QRect(5, 0, 4, 32), pal::trayDeep);
    }
    return track;
}

QImage ListThumb(const QImage &track) {
    const QColor knob[] = {QColor(0x5C, 0x69, 0x79), QColor(0x7E, 0x8B, 0x9B), pal::accent};
    QImage thumb = NewPicture(kTrackW * 3, kListThumbH, ScaleOf(track));
    {
        QPainter p(&thumb);
        for (int i = 0; i < 3; ++i) {
            for (int y = 0; y < kListThumbH; y += 32)
                p.drawImage(i * kTrackW, y, track);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(Qt::NoPen);
            p.setBrush(knob[i]);
            p.drawPath(RoundedRect(QRectF(i * kTrackW + 3, 1, 8, kListThumbH - 2), 4));
        }
    }
    return thumb;
}

// dir 0 points up, 1 down.
QImage ListArrow(int dir, int scale) {
    QImage arrow = NewPicture(kTrackW * 3, kListArrowH, scale);
    arrow.fill(pal::tray);
    QPainter p(&arrow);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor fg[] = {QColor(0x8C, 0x98, 0xA6), Qt::white, pal::accentLight};
    for (int i = 0; i < 3; ++i) {
        const qreal x = i * kTrackW;
        if (i > 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(i == 1 ? pal::trayRaised : pal::trayDeep);
            p.drawPath(RoundedRect(QRectF(x + 1, 1, kTrackW - 2, kListArrowH - 2), 3));
        }
        QPen pen(fg[i], 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const qreal cy = kListArrowH / 2.0, up = dir == 0 ? -1 : 1;
        QPainterPath chevron;
        chevron.moveTo(x + 3.5, cy - up * 1.8);
        chevron.lineTo(x + 7, cy + up * 1.8);
        chevron.lineTo(x + 10.5, cy - up * 1.8);
        p.drawPath(chevron);
    }
    p.end();
    return arrow;
}

QImage ListBottom(const Typeface &type, int contentW, int scale) {
    QImage bottom = NewPicture(contentW, 64, scale);
    bottom.fill(pal::tray);
    {
        QPainter p(&bottom);
        const QColor hint(0x74, 0x81, 0x90);
        type.DrawCentred(p, "Double-click a clip to preview it", false, 11.5,
                         QRectF(0, 18, contentW, 14), hint);
        type.DrawCentred(p, "Right-click a clip for more choices", false, 11.5,
                         QRectF(0, 36, contentW, 14), hint);
    }
    return bottom;
}

void ListPieces(Skin &skin) {
    Output &out = *skin.out;
    const QImage track = ListTrack(skin.scale);
    out.Bmp("list_track.bmp", track);
    out.Bmp("list_thumb.bmp", ListThumb(track));
    out.Bmp("list_up.bmp", ListArrow(0, skin.scale));
    out.Bmp("list_down.bmp", ListArrow(1, skin.scale));

    QImage background = NewPicture(8, 8, skin.scale);
    background.fill(pal::tray);
    out.Bmp("list_bg.bmp", background);

    const int contentW = kList.width() - kTrackW;
    out.Bmp("list_bottom.bmp", ListBottom(skin.type, contentW, skin.scale));

    if (kListThumbH + 2 * kListArrowH >= kList.height())
        skin.Fail("list: the scroll bar leaves the thumb no room");
    if (contentW < 390)
        skin.Fail("list: clip entries (388 wide at left 2) do not fit");
}

// ---------------------------------------------------------------------------------------------
// The position bar: background with its track, fill, thumb and the two range markers. The
// thumb and markers are shaped by their magenta pixels.

// The shape drawn over the picture under it; pixels the shape covers less than this are left
// out (magenta).
QImage Shaped(const QImage &under, const std::function<void(QPainter &)> &draw) {
    QImage cover(under.size(), QImage::Format_ARGB32_Premultiplied);
    cover.setDevicePixelRatio(under.devicePixelRatio());
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
}

QImage BarBackground(const QImage &mainBg) {
    QImage bg = PartOf(mainBg, QRect(kBarAt, QSize(kBarW, kBarH)));
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x4A, 0x56, 0x65));
        p.drawPath(RoundedRect(QRectF(kMarkerW, 6, kBarW - 2 * kMarkerW, 6), 3));
    }
    return bg;
}

QImage BarThumb(const QImage &bg) {
    const int thumbTop = (kBarH - kThumbD) / 2;
    const QImage thumbUnder = PartOf(bg, QRect(kBarW / 2, thumbTop, kThumbD, kThumbD));
    const QColor knob[] = {QColor(0xF4, 0xF6, 0xF9), pal::accentLight, pal::accent};
    QImage thumb = NewPicture(kThumbD * 3, kThumbD, ScaleOf(bg));
    {
        QPainter p(&thumb);
        for (int i = 0; i < 3; ++i)
            p.drawImage(i * kThumbD, 0, Shaped(thumbUnder, [&](QPainter &q) {
                            q.setPen(QPen(i == 0 ? pal::accent : Qt::white, 2));
                            q.setBrush(knob[i]);
                            q.drawEllipse(QPointF(kThumbD / 2.0, kThumbD / 2.0), 5.6, 5.6);
                        }));
    }
    return thumb;
}

// which 0 is the start marker, 1 the stop marker.
QPainterPath MarkerFlag(int which) {
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
    return path;
}

QImage BarMarker(const QImage &bg, int which) {
    const QColor flag[] = {QColor(0xDC, 0xE2, 0xE9), pal::accentLight, pal::accent};
    const QImage under = PartOf(bg, QRect(0, 0, kMarkerW, kBarH));
    QImage marker = NewPicture(kMarkerW * 3, kBarH, ScaleOf(bg));
    QPainter p(&marker);
    for (int i = 0; i < 3; ++i)
        p.drawImage(i * kMarkerW, 0, Shaped(under, [&](QPainter &q) {
                        q.setPen(Qt::NoPen);
                        q.setBrush(flag[i]);
                        q.drawPath(MarkerFlag(which));
                    }));
    p.end();
    return marker;
}

void BarPieces(Skin &skin, const QImage &mainBg) {
    Output &out = *skin.out;
    const QImage bg = BarBackground(mainBg);
    out.Bmp("bar_bg.bmp", bg);

    QImage fill = NewPicture(4, 6, skin.scale);
    fill.fill(pal::accent);
    out.Bmp("bar_fill.bmp", fill);

    out.Bmp("bar_thumb.bmp", BarThumb(bg));
    out.Bmp("bar_start.bmp", BarMarker(bg, 0));
    out.Bmp("bar_stop.bmp", BarMarker(bg, 1));
    if (kBarW <= kThumbD + 2 * kMarkerW)
        skin.Fail("bar: thumb and markers leave no range");
}

// ---------------------------------------------------------------------------------------------
// Buttons

ButtonArt MakeButton(const QString &key, const QString &file, QRect r, Look look, Icon icon,
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
}

// Play, pause and stop on the player card, and the two trim marks under the preview.
void PlayerButtons(Skin &skin, Section &s, const QImage &bg) {
    ButtonArt play = MakeButton("TB_Play", "main_play.bmp", QRect(733, 68, 46, 46),
                                Look::DarkAccent, Icon::Play, "", "Play the selected clip");
    play.round = true;
    play.anim = Anim::Pulse;
    play.disabledCell = true;
    play.iconSize = 18;
    ButtonArt stop = MakeButton("TB_Stop", "main_stop.bmp", QRect(733, 164, 46, 34), Look::Dark,
                                Icon::Stop, "", "Stop the preview");
    stop.disabledCell = true;
    stop.iconSize = 14;
    ButtonArt pause = MakeButton("TB_Pause", "main_pause.bmp", QRect(733, 122, 46, 34), Look::Dark,
                                 Icon::Pause, "", "Pause the preview");
    pause.disabledCell = true;
    pause.iconSize = 14;
    ButtonArt next =
        MakeButton("TB_Next", "main_mark_end.bmp", QRect(521, 324, 96, 26), Look::Dark,
                   Icon::MarkEnd, "Set end", "Set the end mark at the current position");
    next.disabledCell = true;
    next.iconSize = 13;
    ButtonArt prev =
        MakeButton("TB_Previous", "main_mark_start.bmp", QRect(421, 324, 96, 26), Look::Dark,
                   Icon::MarkStart, "Set start", "Set the start mark at the current position");
    prev.disabledCell = true;
    prev.iconSize = 13;
    for (const ButtonArt &b : {play, stop, pause, next, prev})
        skin.Dynamic(s, bg, b, kWindow);
}

// Keep-ratio switch: unchecked and checked strips with normal, hover and down cells.
void KeepRatioSwitch(Skin &skin, Section &s, const QImage &bg) {
    Output &out = *skin.out;
    ButtonArt keep = MakeButton("TB_AS_Keep", "main_ratio_free.bmp", QRect(733, 258, 46, 34),
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
    skin.placed.append({skin.buttons.Cell(bg, keep, State::Normal, keep.look), keep.rect.topLeft(),
                        kWindow, keep.key});
}

// Title band buttons, the list's add and remove, the profile's edit and the convert button.
void ToolButtons(Skin &skin, Section &s, const QImage &bg) {
    ButtonArt min = MakeButton("TB_Min", "main_min.bmp", QRect(724, 7, 26, 22), Look::Chrome,
                               Icon::Minimise, "", "Minimise");
    min.iconSize = 12;
    ButtonArt help = MakeButton("TB_Help", "main_help.bmp", QRect(692, 7, 26, 22), Look::Chrome,
                                Icon::Help, "", "Help and about");
    help.iconSize = 13;
    ButtonArt add = MakeButton("TB_AddFile", "main_add.bmp", QRect(250, 38, 78, 22), Look::Light,
                               Icon::Add, "Add files", "Add video files to the list");
    add.iconSize = 11;
    add.anim = Anim::Spin;
    ButtonArt del = MakeButton("TB_DelFile", "main_remove.bmp", QRect(332, 38, 80, 22), Look::Light,
                               Icon::Remove, "Remove", "Remove the selected clips from the list");
    del.iconSize = 11;
    del.disabledCell = true;
    ButtonArt edit = MakeButton("TB_Edit", "main_edit.bmp", QRect(528, 356, 30, 26), Look::Light,
                                Icon::Edit, "", "Edit the chosen output profile");
    edit.iconSize = 15;
    ButtonArt convert =
        MakeButton("TB_Convert", "main_convert.bmp", QRect(586, 362, 200, 52), Look::Primary,
                   Icon::Convert, "Convert", "Convert the clips with the chosen profile");
    convert.textPx = 16;
    convert.boldText = true;
    convert.iconSize = 20;
    convert.anim = Anim::Sheen;
    convert.disabledCell = true;
    for (const ButtonArt &b : {min, help, add, del, edit, convert})
        skin.Dynamic(s, bg, b, kWindow);
}

// ---------------------------------------------------------------------------------------------
// Mock

void MockClipList(const Mock &mock, QPainter &p) {
    const int contentW = kList.width() - kTrackW;
    p.fillRect(QRect(kList.topLeft(), QSize(contentW, kList.height())), pal::tray);
    const QImage bottom = mock.Load("list_bottom.bmp");
    p.drawImage(kList.left(), kList.bottom() + 1 - bottom.height(), bottom);
    for (int i = 0; i < 2; ++i) {
        const QRect item(kList.left() + 2, kList.top() + 2 + i * 66, 388, 64);
        p.fillRect(item, QColor(128, 128, 128));
        p.fillRect(item.adjusted(2, 2, -306, -2), QColor(30, 30, 30));
        p.setPen(QPen(i == 0 ? QColor(0, 255, 0) : QColor(128, 128, 128), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(item.adjusted(1, 1, -1, -1));
        const int x = item.left() + 90, y = item.top();
        mock.Label(p, x, y + 2, i == 0 ? "Clip Name : holiday.avi" : "Clip Name : concert.mpg", 10);
        mock.Label(p, x, y + 16, "Clip Duration : 00:03:12", 10);
        mock.Label(p, x + 160, y + 16, "Clip Resolution : 640x480", 10);
        mock.Label(p, x, y + 30, "Video Format : mpeg4 (XVID)", 10);
        mock.Label(p, x + 160, y + 30, "Audio Format : mp3", 10);
        mock.Label(p, x, y + 44, "Start Time : 00:00:00", 10);
        mock.Label(p, x + 160, y + 44, "Stop Time : 00:03:12", 10);
    }
    const int sx = kList.right() + 1 - kTrackW;
    p.drawImage(QRect(sx, kList.top(), kTrackW, kList.height()), mock.Load("list_track.bmp"));
    const QImage up = mock.Load("list_up.bmp"), down = mock.Load("list_down.bmp");
    const QImage thumb = mock.Load("list_thumb.bmp");
    p.drawImage(sx, kList.top(), up.copy(0, 0, kTrackW, up.height()));
    p.drawImage(sx, kList.bottom() + 1 - down.height(), down.copy(0, 0, kTrackW, down.height()));
    p.drawImage(sx, kList.top() + up.height(), thumb.copy(0, 0, kTrackW, thumb.height()));
}

// Position bar with marks at 20 % and 70 % and the thumb at 35 %.
void MockPositionBar(const Mock &mock, QPainter &p) {
    p.drawImage(kBarAt, mock.Load("bar_bg.bmp"));
    const int span = kBarW - 2 * kMarkerW;
    const int d = static_cast<int>(0.2 * span + 0.5 + kMarkerW);
    const int e = static_cast<int>(0.7 * span + 0.5 + kMarkerW);
    p.drawImage(QRect(kBarAt.x() + d, kBarAt.y() + 6, e - d, 6), mock.Load("bar_fill.bmp"));
    Mock::Masked(p, kBarAt.x() + d - kMarkerW, kBarAt.y(),
                 mock.Load("bar_start.bmp").copy(0, 0, kMarkerW, kBarH));
    Mock::Masked(p, kBarAt.x() + e, kBarAt.y(),
                 mock.Load("bar_stop.bmp").copy(0, 0, kMarkerW, kBarH));
    const int maxLeft = kBarW - kThumbD - kMarkerW;
    const int tl = static_cast<int>(0.35 * (maxLeft - kMarkerW) + kMarkerW);
    Mock::Masked(p, kBarAt.x() + tl, kBarAt.y() + 2,
                 mock.Load("bar_thumb.bmp").copy(0, 0, kThumbD, kThumbD));
}

} // namespace

void MainWindowSkin(Skin &skin) {
    Section s{kWindow, {}};
    Output &out = *skin.out;
    const QImage bg = MainBackground(skin.type, skin.scale);

    ListPieces(skin);
    s.Add("TP_ImageList",
          Fields({"list_thumb.bmp", "list_up.bmp", "list_down.bmp", Num(kList.left()),
                  Num(kList.top()), Num(kList.width()), Num(kList.height()), "", "", "", "", "",
                  "list_track.bmp", "list_bg.bmp", "list_bottom.bmp"}));
    out.Bmp("main_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("main_bg.bmp", QRect(0, 0, kMainW, kMainH), true));

    PlayerButtons(skin, s, bg);
    BarPieces(skin, bg);
    s.Add("TP_Progress",
          Fields({"bar_thumb.bmp", "bar_fill.bmp", "bar_bg.bmp", Num(kBarAt.x()), Num(kBarAt.y()),
                  "", "", "1", "1", "", "", "Drag the knob to seek and the flags to trim",
                  "bar_start.bmp", "bar_stop.bmp"}));
    skin.Dynamic(s, bg, CloseButton("main_close.bmp", QRect(756, 7, 26, 22), "Close"), kWindow);
    KeepRatioSwitch(skin, s, bg);
    ToolButtons(skin, s, bg);

    s.Add("Img_VideoPic",
          ImageValue("ipod.jpg", QRect(0, 0, kPreview.width(), kPreview.height()), false));
    out.Bmp("main_mask.bmp", MakeMask(kMainW, kMainH, kMainRadius, skin.scale));
    s.Add("MaskBmp", "main_mask.bmp");
    skin.sections.append(s);
}

void MainWindowMock(const Mock &mock) {
    QImage main = mock.Load("main_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&main);
        MockClipList(mock, p);
        p.drawImage(kPreview.topLeft(), mock.Load("ipod.jpg"));
        MockPositionBar(mock, p);
        p.fillRect(kDevice, QColor(0xA0, 0xA0, 0xA0));
        mock.Label(p, kDevice.left() + 4, kDevice.top() + 4, "iPod");
        p.fillRect(kCombo, QColor(0xA0, 0xA0, 0xA0));
        mock.Label(p, kCombo.left() + 4, kCombo.top() + 4,
                   "320x240 - Video 768 kbit/s - Audio 128 kbit/s");
        mock.Buttons(p, kWindow);
    }
    mock.Finish(main, "main_mask.bmp", "main.png");
}
