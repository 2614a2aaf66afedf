// The about window (392 x 216): the badge, the version line and the website and contact
// buttons.

#include "Mock.h"
#include "Skin.h"

#include <cmath>

namespace {

constexpr int kAboutW = 392, kAboutH = 216;
const QString kWindow = "AboutWindow";

QImage AboutBackground(const Typeface &type, int scale) {
    QImage bg = NewBackground(kAboutW, kAboutH, scale);
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
    return bg;
}

void AboutButtons(Skin &skin, Section &s, const QImage &bg) {
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
        skin.Dynamic(s, bg, b, kWindow);
}

} // namespace

void AboutWindowSkin(Skin &skin) {
    Section s{kWindow, {}};
    Output &out = *skin.out;
    const QImage bg = AboutBackground(skin.type, skin.scale);
    out.Bmp("about_bg.bmp", bg);
    s.Add("Img_Background", ImageValue("about_bg.bmp", QRect(0, 0, kAboutW, kAboutH), true));
    AboutButtons(skin, s, bg);
    out.Bmp("about_mask.bmp", MakeMask(kAboutW, kAboutH, kSmallRadius, skin.scale));
    s.Add("MaskBmp", "about_mask.bmp");
    skin.sections.append(s);
}

void AboutWindowMock(const Mock &mock) {
    QImage about = mock.Load("about_bg.bmp").convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&about);
        const Typeface &type = mock.type();
        // The form's fixed-size title labels clip their text.
        p.setClipRect(QRect(37, 54, 248, 25));
        type.Draw(p, "Mavo iPod Converter 2.1", true, 20, QPointF(38, 74), QColor(192, 192, 192));
        type.Draw(p, "Mavo iPod Converter 2.1", true, 20, QPointF(37, 73), Qt::black);
        p.setClipping(false);
        mock.Label(p, 184, 88, "2.1.3 Build on 20070421");
        mock.Label(p, 24, 176, "Mavo Software", 13, true);
        mock.Buttons(p, kWindow);
    }
    mock.Finish(about, "about_mask.bmp", "about.png");
}
