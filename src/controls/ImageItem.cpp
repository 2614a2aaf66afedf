#include "controls/ImageItem.h"

#include "controls/SpokenClip.h"

#include "desktop/Fonts.h"
#include "desktop/ScaledPicture.h"

#include "common/SharedFunctions.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <cmath>

namespace {

const QColor kGray(128, 128, 128);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kDarkRed(150, 0, 0);
// The left column of the details ends here, where the right one begins.
constexpr int kColumn = 246;

// The entry's hint: the whole texts the columns may cut.
QString BaseHint(const ClipRecord &clip) {
    return clip.FileName + QLatin1Char('\n') + clip.VideoFormat + QStringLiteral(", ") +
           clip.AudioFormat;
}
// The outline pen is 2 pixels wide: a frame covers the two outermost pixel rows and columns.
constexpr int kPenWidth = 2;

} // namespace

Image_Item::Image_Item(QWidget *parent) : TImage(parent) {
    resize(kWidth, kHeight);
    move(2, y());
}

Image_Item::~Image_Item() = default;

QFont Image_Item::TextFont() {
    return FormFont(QStringLiteral("Tahoma"), -11);
}

void Image_Item::DrawText(int x, int y, const QString &text, int right) {
    QPainter painter(&Canvas());
    painter.setFont(TextFont());
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    const int room = (right > 0 ? right : width() - 2) - x;
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, room);
    painter.drawText(QRect(x, y, width() - x, height() - y), Qt::AlignLeft | Qt::AlignTop, shown);
}

bool Image_Item::SetClipInfo(const ClipRecord &clip, const QImage *picture) {
    const QImage thumbnail = picture != nullptr ? *picture : clip.Thumbnail.value<QImage>();
    if (thumbnail.isNull())
        return false;
    ClipId = clip.Id;
    setAccessibleName(SpokenClip(clip));
    // At the screen's pixel density, so that the text is as sharp as the form's labels.
    const qreal ratio = devicePixelRatioF();
    QImage canvas(static_cast<int>(std::ceil(width() * ratio)),
                  static_cast<int>(std::ceil(height() * ratio)), QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    // The whole entry gray with a black border.
    canvas.fill(kGray);
    {
        QPainter painter(&canvas);
        const int w = width(), h = height();
        for (const QRect &edge :
             {QRect(0, 0, w, 1), QRect(0, h - 1, w, 1), QRect(0, 0, 1, h), QRect(w - 1, 0, 1, h)})
            painter.fillRect(edge, Qt::black);
        painter.drawImage(2, 2, thumbnail.convertToFormat(QImage::Format_RGB32));
    }
    SetPicture(canvas);
    DrawText(90, 4, QStringLiteral("Clip Name : ") + clip.FileName);
    // The left column ends where the right one begins; the whole texts are in the tooltip.
    DrawText(90, 18, QStringLiteral("Clip Duration : ") + SecondsToTimeText(clip.Duration),
             kColumn);
    DrawText(250, 18,
             QStringLiteral("Clip Resolution : ") + QString::number(clip.InfoValues[0]) +
                 QLatin1Char('x') + QString::number(clip.InfoValues[1]));
    // What the picture is ("HDR HLG", "interlaced") matters more than its tag when both do not fit.
    QString format = QStringLiteral("Video Format : ") + clip.VideoFormat;
    if (QFontMetrics(TextFont()).horizontalAdvance(format) > kColumn - 90)
        format.remove(QRegularExpression(QStringLiteral(" \\([^)]*\\)")));
    DrawText(90, 32, format, kColumn);
    setToolTip(BaseHint(clip));
    DrawText(250, 32,
             QStringLiteral("Audio Format : ") + clip.AudioFormat +
                 (clip.SoundTracks.size() > 1
                      ? QStringLiteral(" (%1 tracks)").arg(clip.SoundTracks.size())
                      : QString()));
    DrawTimeLine(clip.StartTime, clip.StopTime);
    hide();
    update();
    return true;
}

void Image_Item::DrawTimeLine(int32_t start, int32_t stop) {
    DrawText(90, 46, QStringLiteral("Start Time : ") + SecondsToTimeText(start));
    DrawText(250, 46, QStringLiteral("Stop Time : ") + SecondsToTimeText(stop));
}

void Image_Item::ShowCropTimes(int32_t start, int32_t stop) {
    if (Picture().isNull())
        return;
    {
        QPainter painter(&Canvas());
        painter.fillRect(QRect(QPoint(89, 45), QPoint(width() - 3, height() - 3)), kGray);
    }
    DrawTimeLine(start, stop);
    update();
}

void Image_Item::ShowForecast(const ClipRecord &clip, const std::optional<FileForecast> &forecast) {
    if (Picture().isNull())
        return;
    // The name's line: the name in the left column and the predicted file in the right one, or
    // the name across the whole entry.
    {
        QPainter painter(&Canvas());
        painter.fillRect(QRect(QPoint(89, 3), QPoint(width() - 3, 17)), kGray);
    }
    DrawText(90, 4, QStringLiteral("Clip Name : ") + clip.FileName, forecast ? kColumn : 0);
    QString hint = BaseHint(clip);
    if (forecast) {
        const QString text = forecast->Converts ? QStringLiteral("\u2192 %1 %2p, %3")
                                                      .arg(forecast->FrameText())
                                                      .arg(qRound(forecast->Fps))
                                                      .arg(SizeText(forecast->Bytes))
                                                : QStringLiteral("\u2192 too long for the limit");
        QPainter painter(&Canvas());
        painter.setFont(TextFont());
        const bool good = forecast->Converts && forecast->Plays;
        painter.setPen(good ? QApplication::palette().color(QPalette::WindowText) : kDarkRed);
        painter.drawText(QRect(250, 4, width() - 252, 14), Qt::AlignLeft | Qt::AlignTop,
                         painter.fontMetrics().elidedText(text, Qt::ElideRight, width() - 252));
        hint += QStringLiteral("\nOutput : %1; %2").arg(ForecastText(*forecast), forecast->Verdict);
        if (forecast->Converts)
            hint += forecast->Measured
                        ? QStringLiteral("\nSize measured on a few seconds converted")
                        : QStringLiteral("\nSize from the profile's rates, until measured");
    }
    setToolTip(hint);
    update();
}

void Image_Item::DrawFrame(const QColor &color) {
    if (Picture().isNull())
        return;
    QPainter painter(&Canvas());
    const QSize size = LogicalSize(Picture());
    const int w = size.width();
    const int h = size.height();
    painter.fillRect(0, 0, w, kPenWidth, color);
    painter.fillRect(0, h - kPenWidth, w, kPenWidth, color);
    painter.fillRect(0, 0, kPenWidth, h, color);
    painter.fillRect(w - kPenWidth, 0, kPenWidth, h, color);
    painter.end();
    update();
}

void Image_Item::DrawUnselected() {
    DrawFrame(kGray);
    SetSelected(false);
}

void Image_Item::DrawSelected() {
    DrawFrame(kGreen);
    SetSelected(true);
}

void Image_Item::SetSelected(bool selected) {
    if (Selected == selected)
        return;
    Selected = selected;
    // Screen readers hear of the change.
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent announce(this, changed);
    QAccessible::updateAccessibility(&announce);
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
