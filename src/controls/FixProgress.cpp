#include "controls/FixProgress.h"

#include "controls/ControlMath.h"
#include "controls/ControlMessages.h"

#include "desktop/ScaledPicture.h"

#include <QMouseEvent>
#include <cmath>

namespace {

QPoint ScreenPos(const QMouseEvent *event) {
    return event->globalPosition().toPoint();
}

} // namespace

TFixProgress::TFixProgress(QWidget *parent) : QWidget(parent) {
    // Reached by Tab; the window's Left and Right keys move the play position, and the thumb
    // with it.
    setFocusPolicy(Qt::TabFocus);
    new FocusMark(this);
}

TFixProgress::~TFixProgress() {
    if (QWidget::mouseGrabber() == Thumb && Thumb != nullptr)
        Thumb->releaseMouse();
}

bool TFixProgress::SetBackgroundBitmap(const QImage &bitmap) {
    if (bitmap.isNull())
        return false;
    if (BackgroundImage == nullptr) {
        BackgroundImage = new TImage(this);
        BackgroundImage->setEnabled(false);
        BackgroundImage->move(0, 0);
    }
    BackgroundImage->SetPicture(bitmap);
    BackgroundImage->resize(LogicalSize(bitmap));
    BackgroundImage->show();
    BackgroundImage->lower();
    return true;
}

bool TFixProgress::SetFillBitmap(const QImage &bitmap) {
    if (bitmap.isNull())
        return false;
    if (FillImage == nullptr) {
        FillImage = new TImage(this);
        FillImage->SetStretch(true);
        FillImage->setEnabled(false);
    }
    FillImage->SetPicture(bitmap);
    FillImage->resize(LogicalSize(bitmap));
    FillImage->show();
    // Above the background, beneath the thumb and the marks.
    FillImage->lower();
    if (BackgroundImage != nullptr)
        BackgroundImage->lower();
    return true;
}

TImageButton *TFixProgress::NewMarker() {
    auto *marker = new TImageButton(this);
    marker->SetKeyboardStop(false);
    connect(marker, &TImageButton::MouseDown, this,
            [this, marker](QMouseEvent *e) { MarkerMouseDown(marker, e); });
    connect(marker, &TImageButton::MouseMove, this,
            [this, marker](QMouseEvent *e) { MarkerMouseMove(marker, e); });
    connect(marker, &TImageButton::MouseUp, this,
            [this, marker](QMouseEvent *e) { MarkerMouseUp(marker, e); });
    return marker;
}

bool TFixProgress::SetThumbBitmaps(const QImage &thumb, const QImage &start_marker,
                                   const QImage &stop_marker) {
    if (thumb.isNull())
        return false;
    if (Thumb == nullptr) {
        Thumb = new TImageButton(this);
        Thumb->SetKeyboardStop(false);
        connect(Thumb, &TImageButton::MouseDown, this, &TFixProgress::ThumbMouseDown);
        connect(Thumb, &TImageButton::MouseMove, this, &TFixProgress::ThumbMouseMove);
        connect(Thumb, &TImageButton::MouseUp, this, &TFixProgress::ThumbMouseUp);
    }
    const QSize thumb_size = LogicalSize(thumb);
    const bool r = Thumb->LoadStates(thumb, thumb_size.width() / 3, thumb_size.height(), true, true,
                                     false, false);
    if (start_marker.isNull() && stop_marker.isNull()) {
        delete StartMarker;
        delete StopMarker;
        StartMarker = StopMarker = nullptr;
        return r;
    }
    if (start_marker.isNull() || stop_marker.isNull())
        return false;
    if (StartMarker == nullptr)
        StartMarker = NewMarker();
    if (StopMarker == nullptr)
        StopMarker = NewMarker();
    const QSize start_size = LogicalSize(start_marker), stop_size = LogicalSize(stop_marker);
    const bool s = StartMarker->LoadStates(start_marker, start_size.width() / 3,
                                           start_size.height(), true, true, false, false);
    const bool t = StopMarker->LoadStates(stop_marker, stop_size.width() / 3, stop_size.height(),
                                          true, true, false, false);
    return r && s && t;
}

bool TFixProgress::Arrange() {
    if (Thumb == nullptr || BackgroundImage == nullptr || FillImage == nullptr)
        return false;
    resize(BackgroundImage->width(), BackgroundImage->height());
    const int h = height();
    MinLeft = StartMarker != nullptr ? StartMarker->width() : 0;
    FillImage->move(MinLeft, (h - FillImage->height()) / 2);
    Thumb->move(MinLeft, (h - Thumb->height()) / 2);
    for (TImageButton *marker : {StartMarker, StopMarker})
        if (marker != nullptr)
            marker->move(marker->x(), (h - marker->height()) / 2);
    MaxLeft = width() - Thumb->width();
    MarkerLimit = width();
    if (StopMarker != nullptr) {
        MaxLeft -= StopMarker->width();
        MarkerLimit -= StopMarker->width();
    }
    SetRange(-1, -1);
    Thumb->raise();
    return true;
}

bool TFixProgress::MoveThumb(int32_t x) {
    // No room to move: the thumb stays where it is.
    if (Thumb == nullptr || MaxLeft == MinLeft)
        return false;
    x = ClampRange(x, MinLeft, MaxLeft);
    Thumb->move(x, Thumb->y());
    Position = static_cast<double>(static_cast<int64_t>(x - MinLeft) * 100) /
               static_cast<double>(MaxLeft - MinLeft);
    return true;
}

bool TFixProgress::SetPosition(double percent) {
    if (std::isnan(percent))
        return false;
    if (percent < 0) {
        MoveThumb(MinLeft);
        Position = 0;
        return true;
    }
    // The user's hand wins.
    if ((Thumb != nullptr && Thumb->Pressed) || Dragging)
        return true;
    const long double x =
        static_cast<long double>(percent) * static_cast<long double>(MaxLeft - MinLeft) * 0.01L +
        MinLeft;
    if (!MoveThumb(TruncExtended(x)))
        return false;
    Position = percent;
    return true;
}

void TFixProgress::SetRange(float start, float stop) {
    if (start < 0 && stop < 0) {
        if (StartMarker != nullptr) {
            StartMarker->move(0, StartMarker->y());
            StartMarker->SetButtonEnabled(false);
        }
        if (StopMarker != nullptr) {
            StopMarker->move(MarkerLimit, StopMarker->y());
            StopMarker->SetButtonEnabled(false);
        }
        if (FillImage != nullptr)
            FillImage->resize(0, FillImage->height());
        return;
    }
    const long double span = static_cast<long double>(MarkerLimit) - MinLeft;
    const int32_t d = TruncExtended(static_cast<long double>(start) * span + 0.5L + MinLeft);
    const int32_t e = TruncExtended(static_cast<long double>(stop) * span + 0.5L + MinLeft);
    const int32_t start_width = StartMarker != nullptr ? StartMarker->width() : 0;
    // The stop mark is placed first, against the bar's own limits only, so that nothing of the
    // previous range limits the new one.
    if (StopMarker != nullptr) {
        StopMarker->move(ClampRange(e, start_width, width() - StopMarker->width()),
                         StopMarker->y());
        StopMarker->SetButtonEnabled(true);
    }
    if (StartMarker != nullptr) {
        const int32_t hi =
            StopMarker != nullptr ? StopMarker->x() - start_width : width() - start_width;
        StartMarker->move(ClampRange(static_cast<int64_t>(d) - start_width, 0, hi),
                          StartMarker->y());
        StartMarker->SetButtonEnabled(true);
    }
    if (StartMarker != nullptr && StopMarker != nullptr) {
        FillBetweenMarkers();
    } else if (FillImage != nullptr) {
        FillImage->move(d, FillImage->y());
        FillImage->resize(std::max(0, e - d), FillImage->height());
    }
}

bool TFixProgress::GetRange(float &start, float &stop) const {
    const double span = static_cast<double>(MarkerLimit) - MinLeft;
    if (span == 0)
        return false;
    if (StartMarker != nullptr && StopMarker != nullptr) {
        start = static_cast<float>((StartMarker->x() + StartMarker->width() - MinLeft) / span);
        stop = static_cast<float>((StopMarker->x() - MinLeft) / span);
    } else if (FillImage != nullptr) {
        start = static_cast<float>((FillImage->x() - MinLeft) / span);
        stop = static_cast<float>((FillImage->x() + FillImage->width() - MinLeft) / span);
    } else {
        return false;
    }
    return true;
}

void TFixProgress::FillBetweenMarkers() {
    if (FillImage == nullptr || StartMarker == nullptr || StopMarker == nullptr)
        return;
    const int left = StartMarker->x() + StartMarker->width();
    FillImage->move(left, FillImage->y());
    FillImage->resize(std::max(0, StopMarker->x() - left), FillImage->height());
}

void TFixProgress::Changed(bool pressed) {
    if (OnChange)
        OnChange(Position, pressed, this);
}

void TFixProgress::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || Thumb == nullptr || !Thumb->isEnabled())
        return;
    MoveThumb(event->position().toPoint().x() - Thumb->width() / 2);
    Dragging = true;
    DragStart = ScreenPos(event);
    DragStartLeft = Thumb->x();
    DragStartTop = Thumb->y();
    // The thumb takes over: the moves and the release of this press go to its handlers.
    Thumb->grabMouse();
    Changed(true);
}

void TFixProgress::ThumbMouseDown(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    DragStart = ScreenPos(event);
    DragStartLeft = Thumb->x();
    DragStartTop = Thumb->y();
    Changed(true);
}

void TFixProgress::ThumbMouseMove(QMouseEvent *event) {
    if (!(event->buttons() & Qt::LeftButton) && !Dragging)
        return;
    DragNow = ScreenPos(event);
    MoveThumb(DragStartLeft + DragNow.x() - DragStart.x());
    Changed(true);
}

void TFixProgress::ThumbMouseUp(QMouseEvent *event) {
    Dragging = false;
    if (QWidget::mouseGrabber() == Thumb)
        Thumb->releaseMouse();
    if (event->button() == Qt::LeftButton)
        Changed(false);
}

void TFixProgress::MarkerMouseDown(TImageButton *marker, QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    DragStart = ScreenPos(event);
    DragStartLeft = marker->x();
}

void TFixProgress::MarkerMouseMove(TImageButton *marker, QMouseEvent *event) {
    if (!(event->buttons() & Qt::LeftButton) || StartMarker == nullptr || StopMarker == nullptr)
        return;
    DragNow = ScreenPos(event);
    const int64_t left = static_cast<int64_t>(DragStartLeft) + DragNow.x() - DragStart.x();
    if (marker == StartMarker)
        StartMarker->move(ClampRange(left, 0, StopMarker->x() - StartMarker->width()),
                          StartMarker->y());
    else
        StopMarker->move(ClampRange(left, StartMarker->x() + StartMarker->width(),
                                    width() - StopMarker->width()),
                         StopMarker->y());
    FillBetweenMarkers();
}

void TFixProgress::MarkerMouseUp(TImageButton *marker, QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    SendMessageA(parent_handle_, WM_MARKERMOVED, marker == StartMarker ? 1 : 0, 0);
}
