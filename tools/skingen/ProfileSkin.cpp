// The profile editor (480 x 366): the profile's name over the form's video and audio settings,
// with OK and Cancel.

#include "Mock.h"
#include "Skin.h"

namespace {

constexpr int kProfW = 480, kProfH = 366;
const QRect kEditName(136, 34, 225, 19);
const QString kWindow = "ProfileWindow";

QImage ProfileBackground(const Typeface &type, int scale) {
    QImage bg = NewBackground(kProfW, kProfH, scale);
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
    return bg;
}

void ProfileButtons(Skin &skin, Section &s, const QImage &bg) {
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
        skin.Dynamic(s, bg, b, kWindow);
}

// The form's video (g 0) or audio (g 1) group box with its three rows of edits.
void MockSettingsGroup(const Mock &mock, QPainter &p, int g) {
    const QColor groupColour(234, 243, 250);
    const QRect box(40, g == 0 ? 64 : 200, 401, 121);
    p.fillRect(box, groupColour);
    p.setPen(QColor(0xB8, 0xC4, 0xD0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.adjusted(0, 6, -1, -1));
    p.fillRect(QRect(box.left() + 8, box.top(), 90, 13), groupColour);
    mock.Label(p, box.left() + 10, box.top(), g == 0 ? " Video Setting " : " Audio Setting ");
    const char *left[2][3] = {{"Video Resolution:", "Video Quality:", "Frame Rate:"},
                              {"Audio Channels:", "Audio Quality:", "Frame Rate:"}};
    const char *right[2][3] = {{"Width x Height", "KB / Second", "Frame / Second"},
                               {"", "KB / Second", "KHertz"}};
    for (int r = 0; r < 3; ++r) {
        mock.Label(p, box.left() + 16, box.top() + 24 + r * 32, left[g][r]);
        mock.Label(p, box.left() + 300, box.top() + 24 + r * 32, right[g][r]);
        p.fillRect(QRect(box.left() + 136, box.top() + 20 + r * 32, 129, 21), Qt::white);
        p.setPen(QColor(0x9A, 0xA4, 0xAF));
        p.drawRect(QRect(box.left() + 136, box.top() + 20 + r * 32, 128, 20));
    }
}

} // namespace

void ProfileWindowSkin(Skin &skin) {
    Section s{kWindow, {}};
    Output &out = *skin.out;
    const QImage bg = ProfileBackground(skin.type, skin.scale);
    out.Bmp("profile_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("profile_bg.bmp", QRect(0, 0, kProfW, kProfH), true));
    ProfileButtons(skin, s, bg);
    out.Bmp("profile_mask.bmp", MakeMask(kProfW, kProfH, kSmallRadius, skin.scale));
    s.Add("MaskBmp", "profile_mask.bmp");
    skin.sections.append(s);
}

void ProfileWindowMock(const Mock &mock) {
    QImage prof = mock.Load("profile_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&prof);
        p.fillRect(kEditName, Qt::white);
        mock.Label(p, kEditName.left() + 3, kEditName.top() + 3, "My player");
        for (int g = 0; g < 2; ++g)
            MockSettingsGroup(mock, p, g);
        mock.Buttons(p, kWindow);
    }
    mock.Finish(prof, "profile_mask.bmp", "profile.png");
}
