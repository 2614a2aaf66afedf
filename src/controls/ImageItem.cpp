#include "controls/ImageItem.h"

#include "common/Fonts.h"

#include "common/SharedFunctions.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPalette>

namespace {

const QColor kGray(128, 128, 128);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
// The outline pen is 2 pixels wide: a frame covers the two outermost pixel rows and columns.
constexpr int kPenWidth = 2;

QString TextOf(const char *text) {
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

} // namespace

Image_Item::Image_Item(QWidget *parent) : TImage(parent) {
    resize(kWidth, kHeight);
    move(2, y());
}

Image_Item::~Image_Item() {
    delete Thumbnail;
    Thumbnail = nullptr;
}

QFont Image_Item::TextFont() {
    return FormFont(QStringLiteral("Tahoma"), -11);
}

void Image_Item::DrawText(int x, int y, const QString &text) {
    QPainter painter(&Canvas());
    painter.setFont(TextFont());
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    painter.drawText(QRect(x, y, width() - x, height() - y), Qt::AlignLeft | Qt::AlignTop, text);
}

bool Image_Item::SetClipInfo(const ClipInfoRecord *info, const QImage *picture) {
    if (info == nullptr || picture == nullptr || picture->isNull())
        return false;
    delete Thumbnail;
    Thumbnail = new QImage(picture->convertToFormat(QImage::Format_RGB32));
    QImage canvas(width(), height(), QImage::Format_RGB32);
    FileName = TextOf(info->path);
    Duration = info->duration;
    VideoFormat = TextOf(info->video_format);
    AudioFormat = TextOf(info->audio_format);
    InfoValues = {info->width,    info->height,   info->extra[0], info->extra[1],
                  info->extra[2], info->extra[3], info->extra[4], info->extra[5]};
    // The whole entry gray with a black border.
    canvas.fill(kGray);
    {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(0, 0, canvas.width() - 1, canvas.height() - 1));
        painter.drawImage(2, 2, *Thumbnail);
    }
    SetPicture(canvas);
    DrawText(90, 4, QStringLiteral("Clip Name : ") + FileName);
    DrawText(90, 18, QStringLiteral("Clip Duration : ") + SecondsToTimeText(Duration));
    DrawText(250, 18,
             QStringLiteral("Clip Resolution : ") + QString::number(InfoValues[0]) +
                 QLatin1Char('x') + QString::number(InfoValues[1]));
    DrawText(90, 32, QStringLiteral("Video Format : ") + VideoFormat);
    DrawText(250, 32, QStringLiteral("Audio Format : ") + AudioFormat);
    StartTime = 0;
    StopTime = Duration;
    DrawTimeLine();
    delete Thumbnail;
    Thumbnail = nullptr;
    hide();
    update();
    return true;
}

void Image_Item::DrawTimeLine() {
    DrawText(90, 46, QStringLiteral("Start Time : ") + SecondsToTimeText(StartTime));
    DrawText(250, 46, QStringLiteral("Stop Time : ") + SecondsToTimeText(StopTime));
}

bool Image_Item::SetCropTimes(int32_t start, int32_t stop) {
    if (start < 0 || stop > Duration)
        return false;
    // One end at a time: a start after the current stop comes down to it, a stop before the
    // current start goes up to it; and in any case the start never passes the new stop.
    if (start > StopTime)
        start = StopTime;
    if (stop < StartTime)
        stop = StartTime;
    if (start > stop)
        start = stop;
    StartTime = start;
    StopTime = stop;
    if (!Picture().isNull()) {
        {
            QPainter painter(&Canvas());
            painter.fillRect(QRect(QPoint(89, 45), QPoint(width() - 3, height() - 3)), kGray);
        }
        DrawTimeLine();
        update();
    }
    return true;
}

void Image_Item::DrawFrame(const QColor &color) {
    if (Picture().isNull())
        return;
    QPainter painter(&Canvas());
    const int w = Picture().width();
    const int h = Picture().height();
    painter.fillRect(0, 0, w, kPenWidth, color);
    painter.fillRect(0, h - kPenWidth, w, kPenWidth, color);
    painter.fillRect(0, 0, kPenWidth, h, color);
    painter.fillRect(w - kPenWidth, 0, kPenWidth, h, color);
    painter.end();
    update();
}

void Image_Item::DrawUnselected() {
    DrawFrame(kGray);
    Selected = false;
}

void Image_Item::DrawSelected() {
    DrawFrame(kGreen);
    Selected = true;
}

void Image_Item::DrawHover() {
    DrawFrame(kRed);
}

bool Image_Item::event(QEvent *event) {
    if (event->type() == QEvent::Enter)
        DrawHover();
    else if (event->type() == QEvent::Leave)
        Selected ? DrawSelected() : DrawUnselected();
    return TImage::event(event);
}
