// Draws every control in its states from test bitmaps into PNG files under
// <build>/controls-gallery/, for looking at, and checks a few of the drawn pixels.
#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "ItemSupport.h"
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "model/ClipList.h"

using namespace controls_test;

namespace {

const QColor kMagenta(255, 0, 255);

QString GalleryDir() {
    const QString dir =
        QDir(QStringLiteral(MAVO_BIN_DIR "/..")).absoluteFilePath("controls-gallery");
    QDir().mkpath(dir);
    return dir;
}

// Rounded cells on magenta (the mask colour), each with a caption.
QImage ButtonStrip(const std::vector<QColor> &colors, int cw, int ch, const QStringList &texts) {
    QImage strip(cw * static_cast<int>(colors.size()), ch, QImage::Format_RGB32);
    strip.fill(kMagenta);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (size_t i = 0; i < colors.size(); ++i) {
        const QRect cell(static_cast<int>(i) * cw, 0, cw, ch);
        painter.setPen(colors[i].darker(160));
        painter.setBrush(colors[i]);
        painter.drawRoundedRect(cell.adjusted(1, 1, -2, -2), 6, 6);
        painter.setPen(Qt::white);
        painter.drawText(cell, Qt::AlignCenter, texts.value(static_cast<int>(i)));
    }
    return strip;
}

// Pictures side by side with a caption above each, on a light background.
QImage Sheet(const std::vector<std::pair<QString, QPixmap>> &shots) {
    int width = 10;
    int height = 0;
    for (const auto &[caption, shot] : shots) {
        width += std::max(shot.width(), 90) + 10;
        height = std::max(height, shot.height());
    }
    QImage sheet(width, height + 40, QImage::Format_RGB32);
    sheet.fill(QColor(235, 235, 235));
    QPainter painter(&sheet);
    int x = 10;
    for (const auto &[caption, shot] : shots) {
        painter.setPen(Qt::black);
        painter.drawText(x, 16, caption);
        painter.drawPixmap(x, 26, shot);
        x += std::max(shot.width(), 90) + 10;
    }
    return sheet;
}

TEST(Gallery, ButtonsInTheirStates) {
    Host host(400, 200);
    // Shots are taken from the window, so the masks show.
    auto shot = [&](QWidget *w) { return host.window.grab(w->geometry()); };
    auto *button = new TImageButton(&host.window);
    button->move(20, 20);
    ASSERT_TRUE(button->LoadStates(ButtonStrip({QColor(60, 110, 190), QColor(90, 150, 230),
                                                QColor(30, 70, 140), QColor(150, 150, 150)},
                                               80, 28, {"Play", "Play", "Play", "Play"}),
                                   80, 28, true, true, true, true));
    std::vector<std::pair<QString, QPixmap>> shots;
    shots.emplace_back("normal", shot(button));
    MoveTo(button, {40, 14});
    shots.emplace_back("hover", shot(button));
    Press(button, {40, 14});
    shots.emplace_back("down", shot(button));
    Release(button, {40, 14});
    MoveTo(button, {-15, 14});
    button->SetButtonEnabled(false);
    shots.emplace_back("disabled", shot(button));
    button->SetButtonEnabled(true);

    auto *check = new TCheckImageButton(&host.window);
    check->move(20, 80);
    ASSERT_TRUE(check->LoadStates(
        ButtonStrip({QColor(120, 120, 120), QColor(150, 150, 150)}, 80, 28, {"Keep", "Keep"}), 80,
        28, true, true, false, false));
    ASSERT_TRUE(check->LoadCheckedStates(
        ButtonStrip({QColor(40, 160, 60), QColor(70, 200, 90)}, 80, 28, {"Kept", "Kept"}), true,
        false, false));
    check->SetChecked(false);
    shots.emplace_back("unchecked", shot(check));
    check->SetChecked(true);
    shots.emplace_back("checked", shot(check));

    auto *animated = new TDynamicImageButton(&host.window);
    animated->move(20, 140);
    ASSERT_TRUE(animated->LoadStates(
        ButtonStrip({QColor(180, 90, 40), QColor(220, 130, 60), QColor(140, 60, 20)}, 80, 28,
                    {"Go", "Go", "Go"}),
        80, 28, true, true, true, false));
    ASSERT_TRUE(animated->LoadAnimation(
        ButtonStrip({QColor(200, 100, 40), QColor(210, 120, 50), QColor(220, 140, 60)}, 80, 28,
                    {"G", "Go", "Go!"}),
        600000, 0));
    MoveTo(animated, {40, 14});
    for (int i = 0; i < 3; ++i) {
        animated->AnimationTick();
        shots.emplace_back(QString("frame %1").arg(i), shot(animated));
    }

    const QImage sheet = Sheet(shots);
    ASSERT_TRUE(sheet.save(GalleryDir() + "/buttons.png"));
    // The masked corner of the normal shot is not magenta, the down shot is darker than hover.
    EXPECT_NE(At(shots[0].second.toImage(), 0, 0), kMagenta);
    EXPECT_EQ(At(shots[2].second.toImage(), 10, 14), QColor(30, 70, 140));
    EXPECT_EQ(At(shots[5].second.toImage(), 10, 14), QColor(40, 160, 60));
}

TEST(Gallery, PositionBarAndClipList) {
    Host host(520, 420);
    host.window.setAutoFillBackground(true);

    auto *bar = new TFixProgress(&host.window);
    bar->move(10, 370);
    bar->show();
    QImage background(480, 18, QImage::Format_RGB32);
    background.fill(QColor(50, 50, 60));
    QPainter(&background).fillRect(0, 7, 480, 4, QColor(90, 90, 110));
    ASSERT_TRUE(bar->SetBackgroundBitmap(background));
    ASSERT_TRUE(bar->SetFillBitmap(Solid(4, 4, QColor(80, 200, 120))));
    QImage thumb(42, 14, QImage::Format_RGB32);
    thumb.fill(kMagenta);
    {
        QPainter painter(&thumb);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(230, 230, 240));
        painter.drawEllipse(0, 0, 13, 13);
        painter.setBrush(QColor(255, 255, 160));
        painter.drawEllipse(14, 0, 13, 13);
    }
    QImage mark = Strip({QColor(240, 180, 40), QColor(255, 210, 80), kMagenta}, 6, 16);
    ASSERT_TRUE(bar->SetThumbBitmaps(thumb, mark, mark));
    ASSERT_TRUE(bar->Arrange());
    bar->SetRange(0.25f, 0.6f);
    bar->SetPosition(40);

    auto *panel = new TListPanel(&host.window);
    panel->move(10, 10);
    panel->show();
    ASSERT_TRUE(panel->SetBackgroundBitmap(Solid(8, 8, QColor(30, 34, 44))));
    QImage bottom(200, 24, QImage::Format_RGB32);
    bottom.fill(QColor(30, 34, 44));
    {
        QPainter painter(&bottom);
        painter.setPen(QColor(120, 130, 150));
        painter.drawText(bottom.rect(), Qt::AlignCenter, "Add clips with +");
    }
    ASSERT_TRUE(panel->SetBottomBitmap(bottom));
    ASSERT_TRUE(panel->SetThumbBitmap(
        Strip({QColor(150, 160, 180), QColor(180, 190, 210), QColor(110, 120, 140)}, 14, 40)));
    ASSERT_TRUE(panel->SetTrackBitmap(Solid(14, 20, QColor(60, 64, 76))));
    const QImage arrow =
        Strip({QColor(100, 110, 130), QColor(130, 140, 160), QColor(80, 90, 110)}, 14, 14);
    ASSERT_TRUE(panel->SetUpArrowBitmap(arrow));
    ASSERT_TRUE(panel->SetDownArrowBitmap(arrow));
    panel->resize(404, 350);
    ASSERT_TRUE(panel->Arrange());
    ClipList clips;
    panel->SetClipList(&clips);
    for (int i = 0; i < 8; ++i)
        clips.AddItem(Record("/home/user/Videos/clip " + std::to_string(i + 1) + ".avi",
                             95 + 600 * i, QColor::fromHsv(i * 50, 150, 190)));
    const std::vector<Image_Item *> items(panel->Items.begin(), panel->Items.end());
    clips.SetCropTimes(2, 30, 400);
    Click(items[2], {200, 30}, Qt::LeftButton, Qt::ControlModifier);
    MoveTo(items[3], {200, 30});

    const QImage shot = host.window.grab().toImage();
    ASSERT_TRUE(shot.save(GalleryDir() + "/list_and_bar.png"));
    // Frames: first and third selected (green), fourth under the mouse (red), second gray.
    const QPoint list = panel->pos() + panel->ContentPanel->pos();
    EXPECT_EQ(At(shot, list.x() + 2, list.y() + 30), QColor(0, 255, 0));
    EXPECT_EQ(At(shot, list.x() + 2, list.y() + 66 + 30), QColor(128, 128, 128));
    EXPECT_EQ(At(shot, list.x() + 2, list.y() + 132 + 30), QColor(0, 255, 0));
    EXPECT_EQ(At(shot, list.x() + 2, list.y() + 198 + 30), QColor(255, 0, 0));
    // The fill lies between the marks.
    const int fill_mid = bar->FillImage->x() + bar->FillImage->width() / 2;
    EXPECT_EQ(At(shot, bar->x() + fill_mid, bar->y() + 9), QColor(80, 200, 120));

    // Scrolled to the end with the down arrow.
    for (int i = 0; i < 3; ++i)
        Click(panel, {397, 343});
    EXPECT_EQ(panel->Thumb->y(), panel->ThumbMaxTop);
    const QImage scrolled = host.window.grab().toImage();
    ASSERT_TRUE(scrolled.save(GalleryDir() + "/list_scrolled.png"));
    EXPECT_EQ(panel->ContentPanel->y(), -132);

    // A short list shows the bottom picture; the bar without a range hides its marks.
    clips.ClearItems();
    for (int i = 0; i < 2; ++i)
        clips.AddItem(Record("/home/user/Videos/short " + std::to_string(i + 1) + ".mpg", 42,
                             QColor::fromHsv(200 + i * 40, 150, 190)));
    bar->SetRange(-1, -1);
    bar->SetPosition(75);
    const QImage short_list = host.window.grab().toImage();
    ASSERT_TRUE(short_list.save(GalleryDir() + "/list_short_bar_without_range.png"));
    EXPECT_EQ(short_list.copy(panel->x(), panel->y() + 350 - 24, 200, 24), bottom);
}

} // namespace
