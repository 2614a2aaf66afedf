// The progress window (546 x 346): output folder, the clip being converted, the two progress
// bars and the start and stop buttons.

#include "Mock.h"
#include "Skin.h"

namespace {

constexpr int kProgW = 546, kProgH = 346;
const QRect kWorkingFolder(112, 34, 297, 19);
const QRect kProgressPanel(139, 241, 280, 33);
const QString kWindow = "ProgressWindow";

QImage ProgressBackground(const Typeface &type, int scale) {
    QImage bg = NewBackground(kProgW, kProgH, scale);
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
    return bg;
}

QImage ProgressBar(const QColor &fill, const QColor &edge, int scale) {
    QImage img = NewPicture(280, 13, scale);
    img.fill(fill);
    QPainter p(&img);
    PixelFrame(p, QRect(0, 0, 280, 13), edge);
    p.fillRect(QRect(1, 1, 278, 1), fill.lighter(112));
    return img;
}

// The two bars slide in from the left over their tracks; 280 pixels wide like the panel.
void ProgressBars(Skin &skin, Section &s) {
    Output &out = *skin.out;
    QImage tracks = NewPicture(kProgressPanel.width(), kProgressPanel.height(), skin.scale);
    tracks.fill(pal::card);
    {
        QPainter p(&tracks);
        for (int y : {0, 20})
            PixelFrame(p, QRect(0, y, 280, 13), QColor(0xC9, 0xD1, 0xDB), QColor(0xE7, 0xEB, 0xF0));
    }
    out.Bmp("progress_track.bmp", tracks);
    out.Bmp("progress_clip.bmp",
            ProgressBar(pal::accentLight, QColor(0x6C, 0xA5, 0xE6), skin.scale));
    out.Bmp("progress_total.bmp", ProgressBar(pal::accentHover, pal::accent, skin.scale));
    s.Add("Img_Progress",
          ImageValue("progress_track.bmp", QRect(QPoint(0, 0), kProgressPanel.size()), false));
    s.Add("Img_CP", ImageValue("progress_clip.bmp", QRect(-280, 0, 280, 13), false));
    s.Add("Img_TP", ImageValue("progress_total.bmp", QRect(-280, 20, 280, 13), false));
}

void ProgressButtons(Skin &skin, Section &s, const QImage &bg) {
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
        skin.Dynamic(s, bg, b, kWindow);
}

// Both bars part way along, with the form's percentages over them.
QImage MockProgressPanel(const Mock &mock) {
    QImage panel = mock.Load("progress_track.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter q(&panel);
        q.drawImage(37 * 280 / 100 - 280, 0, mock.Load("progress_clip.bmp"));
        q.drawImage(68 * 280 / 100 - 280, 20, mock.Load("progress_total.bmp"));
        mock.Label(q, 122, -2, "37");
        mock.Label(q, 141, -2, "%");
        mock.Label(q, 122, 20, "68");
        mock.Label(q, 141, 20, "%");
    }
    return panel;
}

} // namespace

void ProgressWindowSkin(Skin &skin) {
    Section s{kWindow, {}};
    Output &out = *skin.out;
    const QImage bg = ProgressBackground(skin.type, skin.scale);
    out.Bmp("progress_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("progress_bg.bmp", QRect(0, 0, kProgW, kProgH), true));
    ProgressBars(skin, s);
    ProgressButtons(skin, s, bg);
    out.Bmp("progress_mask.bmp", MakeMask(kProgW, kProgH, kSmallRadius, skin.scale));
    s.Add("MaskBmp", "progress_mask.bmp");
    skin.sections.append(s);
}

void ProgressWindowMock(const Mock &mock) {
    QImage prog = mock.Load("progress_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&prog);
        p.fillRect(kWorkingFolder, Qt::white);
        mock.Label(p, kWorkingFolder.left() + 3, kWorkingFolder.top() + 3,
                   "/home/user/MavoOutput/");
        mock.Label(p, 32, 88, "Current Clip :");
        mock.Label(p, 128, 88, "holiday.avi");
        mock.Label(p, 32, 120, "Destination Name :");
        mock.Label(p, 128, 120, "holiday.MP4");
        mock.Label(p, 32, 160, "Start Time :");
        mock.Label(p, 120, 160, "00:00:00");
        mock.Label(p, 216, 160, "Stop Time :");
        mock.Label(p, 304, 160, "00:03:12");
        mock.Label(p, 32, 184, "Total Length :");
        mock.Label(p, 120, 184, "00:03:12");
        mock.Label(p, 216, 184, "Current Time :");
        mock.Label(p, 304, 184, "00:01:07");
        p.drawImage(kProgressPanel.topLeft(), MockProgressPanel(mock));
        mock.Buttons(p, kWindow, {"TB_Start"});
    }
    mock.Finish(prog, "progress_mask.bmp", "progress.png");
}
