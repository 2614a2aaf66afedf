// Clip entries: what they draw, their crop times and their frame colours.
#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "ItemSupport.h"
#include "controls/ImageItem.h"
#include "model/ClipList.h"

using namespace controls_test;

namespace {

const QColor kGray(128, 128, 128);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

// One line of text drawn the way an entry draws it, on the entry's gray.
QImage ReferenceLine(int x, int y, const QString &text) {
    QImage image(Image_Item::kWidth, Image_Item::kHeight, QImage::Format_RGB32);
    image.fill(kGray);
    QPainter painter(&image);
    painter.setFont(Image_Item::TextFont());
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    painter.drawText(QRect(x, y, image.width() - x, image.height() - y),
                     Qt::AlignLeft | Qt::AlignTop, text);
    return image;
}

// True when the body of one line (the rows the letters fill, clear of the neighbouring lines'
// ascenders and descenders) looks exactly like that text drawn there.
bool ShowsLine(const QImage &picture, int x, int y, int w, const QString &text) {
    const QRect area(x, y + 2, w, 9);
    return picture.copy(area) == ReferenceLine(x, y, text).copy(area);
}

TEST(ImageItem, NeedsAPicture) {
    Image_Item item;
    TestClip record("/clips/a.avi", 10);
    const QImage none;
    EXPECT_FALSE(item.SetClipInfo(::ClipRecord::FromInfo(record.info)));
    EXPECT_FALSE(item.SetClipInfo(::ClipRecord::FromInfo(record.info), &none));
    EXPECT_TRUE(item.Picture().isNull()) << "nothing drawn";
    EXPECT_EQ(item.size(), QSize(388, 64));
    EXPECT_EQ(item.x(), 2);
}

TEST(ImageItem, DrawsThumbnailAndDetails) {
    Image_Item item;
    TestClip record("/clips/holiday.avi", 3725, 320, 240);
    record.info.extra[0] = 25000;
    const QImage picture = Thumbnail();
    const ::ClipRecord clip = ::ClipRecord::FromInfo(record.info);
    ASSERT_TRUE(item.SetClipInfo(clip, &picture));
    EXPECT_TRUE(item.isHidden()) << "the list's row layout shows it";
    EXPECT_EQ(clip.FileName, "/clips/holiday.avi");
    EXPECT_EQ(clip.Duration, 3725);
    EXPECT_EQ(clip.VideoFormat, "mpeg4 (XVID)");
    EXPECT_EQ(clip.AudioFormat, "mp3");
    EXPECT_EQ(clip.InfoValues[0], 320);
    EXPECT_EQ(clip.InfoValues[1], 240);
    EXPECT_EQ(clip.InfoValues[2], 25000);
    EXPECT_EQ(clip.StartTime, 0);
    EXPECT_EQ(clip.StopTime, 3725);

    const QImage &shown = item.Picture();
    ASSERT_EQ(shown.size(), QSize(388, 64));
    EXPECT_EQ(shown.copy(2, 2, 80, 60), picture) << "thumbnail at (2, 2), not scaled";
    EXPECT_EQ(At(shown, 85, 30), kGray);
    EXPECT_EQ(At(shown, 0, 0), QColor(Qt::black)) << "black border";
    EXPECT_TRUE(ShowsLine(shown, 90, 4, 290, "Clip Name : /clips/holiday.avi"));
    EXPECT_TRUE(ShowsLine(shown, 90, 18, 155, "Clip Duration : 01:02:05"));
    EXPECT_TRUE(ShowsLine(shown, 250, 18, 130, "Clip Resolution : 320x240"));
    EXPECT_TRUE(ShowsLine(shown, 90, 32, 155, "Video Format : mpeg4 (XVID)"));
    EXPECT_TRUE(ShowsLine(shown, 250, 32, 130, "Audio Format : mp3"));
    EXPECT_TRUE(ShowsLine(shown, 90, 46, 155, "Start Time : 00:00:00"));
    EXPECT_TRUE(ShowsLine(shown, 250, 46, 130, "Stop Time : 01:02:05"));
    // The comparison tells texts apart.
    EXPECT_FALSE(ShowsLine(shown, 250, 46, 130, "Stop Time : 01:02:06"));
}

TEST(ImageItem, CropTimesKeepStartBeforeStop) {
    // The list keeps the rule; the entry draws what the list holds.
    ClipList list;
    list.AddItem(Record("/clips/b.mpg", 60));
    const ::ClipRecord &clip = *list.Get(0);
    Image_Item item;
    ASSERT_TRUE(item.SetClipInfo(clip));

    EXPECT_TRUE(list.SetCropTimes(0, 10, 20));
    EXPECT_EQ(clip.StartTime, 10);
    EXPECT_EQ(clip.StopTime, 20);
    EXPECT_TRUE(list.SetCropTimes(0, 30, 20));
    EXPECT_EQ(clip.StartTime, 20) << "lowered to the stop";
    EXPECT_EQ(clip.StopTime, 20);

    EXPECT_FALSE(list.SetCropTimes(0, 0, 61));
    EXPECT_FALSE(list.SetCropTimes(1, 0, 10)) << "no such clip";
    EXPECT_FALSE(list.SetCropTimes(0, -1, 30));
    EXPECT_EQ(clip.StartTime, 20);
    EXPECT_EQ(clip.StopTime, 20);
    EXPECT_TRUE(list.SetCropTimes(0, 0, 60));
    EXPECT_EQ(clip.StartTime, 0);
    EXPECT_EQ(clip.StopTime, 60);

    // S6: whatever the caller passes, start never ends up after stop.
    EXPECT_TRUE(list.SetCropTimes(0, 10, 20));
    EXPECT_TRUE(list.SetCropTimes(0, 15, 12));
    EXPECT_LE(clip.StartTime, clip.StopTime);
    EXPECT_EQ(clip.StopTime, 12);
    EXPECT_TRUE(list.SetCropTimes(0, 5, -3));
    EXPECT_GE(clip.StartTime, 0);
    EXPECT_LE(clip.StartTime, clip.StopTime);

    ASSERT_TRUE(list.SetCropTimes(0, 5, 45));
    item.ShowCropTimes(clip.StartTime, clip.StopTime);
    EXPECT_TRUE(ShowsLine(item.Picture(), 90, 46, 155, "Start Time : 00:00:05"));
    EXPECT_TRUE(ShowsLine(item.Picture(), 250, 46, 130, "Stop Time : 00:00:45"));
}

TEST(ImageItem, FrameColoursFollowSelectionAndMouse) {
    Host host;
    Image_Item *item = NewItem("/clips/c.avi", 30, &host.window);
    item->move(20, 20);
    item->show();
    auto frame = [&] { return At(Shown(item), 0, 30); };
    auto frame_corner = [&] { return At(Shown(item), 387, 63); };

    item->DrawUnselected();
    EXPECT_FALSE(item->Selected);
    EXPECT_EQ(frame(), kGray);
    EXPECT_EQ(frame_corner(), kGray);
    item->DrawSelected();
    EXPECT_TRUE(item->Selected);
    EXPECT_EQ(frame(), kGreen);
    EXPECT_EQ(At(Shown(item), 1, 1), kGreen);
    EXPECT_EQ(At(Shown(item), 386, 62), kGreen);
    EXPECT_EQ(At(Shown(item), 2, 30), At(Thumbnail(), 0, 28)) << "the frame is 2 pixels wide";

    MoveTo(item, {200, 30});
    EXPECT_EQ(frame(), kRed);
    EXPECT_TRUE(item->Selected) << "hover leaves the selection alone";
    MoveTo(item, {200, 100});
    EXPECT_EQ(frame(), kGreen);

    item->DrawUnselected();
    MoveTo(item, {200, 30});
    EXPECT_EQ(frame(), kRed);
    MoveTo(item, {-10, 30});
    EXPECT_EQ(frame(), kGray);
}

} // namespace
