#pragma once
// Clip entries for the tests: a record with owned texts and a thumbnail picture.

#include <QImage>
#include <QPainter>
#include <encoder.h>
#include <string>

#include "controls/ImageItem.h"

namespace controls_test {

struct TestClip {
    std::string path;
    std::string video = "mpeg4 (XVID)";
    std::string audio = "mp3";
    ClipInfoRecord info{};

    TestClip(const std::string &clip_path, int32_t duration, int32_t width = 320,
             int32_t height = 240)
        : path(clip_path) {
        info.path = path.c_str();
        info.duration = duration;
        info.video_format = video.c_str();
        info.audio_format = audio.c_str();
        info.width = width;
        info.height = height;
    }
};

// An 80 x 60 thumbnail: a colour band per quarter.
inline QImage Thumbnail(const QColor &tint = QColor(40, 120, 200)) {
    QImage image(80, 60, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 80, 60, tint);
    painter.fillRect(0, 40, 80, 20, tint.darker(180));
    painter.setBrush(QColor(250, 220, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(58, 18), 9, 9);
    return image;
}

// A record of the clip list with its thumbnail.
inline ::ClipRecord Record(const std::string &path, int32_t duration,
                           const QColor &tint = QColor(40, 120, 200)) {
    TestClip clip(path, duration);
    ::ClipRecord record = ::ClipRecord::FromInfo(clip.info);
    record.Thumbnail = Thumbnail(tint);
    return record;
}

inline Image_Item *NewItem(const std::string &path, int32_t duration, QWidget *owner = nullptr,
                           const QColor &tint = QColor(40, 120, 200)) {
    auto *item = new Image_Item(owner);
    item->SetClipInfo(Record(path, duration, tint));
    return item;
}

} // namespace controls_test
