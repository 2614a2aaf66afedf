#pragma once
// The skinned horizontal slider of the preview: a thumb that shows and sets the play position
// in percent, and two optional crop marks with a stretched fill between them that show and edit
// a clip's start and stop as fractions of its length.

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <winmsg.h>

#include "controls/ImageButton.h"
#include "controls/TImage.h"

class QMouseEvent;

class TFixProgress : public QWidget {
    Q_OBJECT
public:
    // Called with the position in percent, whether the user still holds the thumb, and the bar.
    using ChangeFunction = std::function<void(double position, bool pressed, TFixProgress *bar)>;

    explicit TFixProgress(QWidget *parent = nullptr);
    ~TFixProgress() override;

    // Where WM_MARKERMOVED goes.
    void SetParentHandle(HWND handle) { parent_handle_ = handle; }
    HWND ParentHandle() const { return parent_handle_; }

    bool SetBackgroundBitmap(const QImage &bitmap);
    bool SetFillBitmap(const QImage &bitmap);
    // The thumb strip, and either both marker strips or neither (null images).
    bool SetThumbBitmaps(const QImage &thumb, const QImage &start_marker,
                         const QImage &stop_marker);
    bool Arrange();

    void SetOnChange(ChangeFunction on_change) { OnChange = std::move(on_change); }
    bool SetPosition(double percent);
    // Places the thumb at x (clamped) and works out Position. False, and nothing moved, when the
    // bar leaves the thumb no room to move.
    bool MoveThumb(int32_t x);
    // Fractions of the clip length; -1, -1 hides the range.
    void SetRange(float start, float stop);
    // The range as fractions. False, and start and stop untouched, when the bar has no room
    // for a range.
    bool GetRange(float &start, float &stop) const;
    void FillBetweenMarkers();

    TImageButton *Thumb = nullptr;
    TImageButton *StartMarker = nullptr;
    TImageButton *StopMarker = nullptr;
    TImage *BackgroundImage = nullptr;
    TImage *FillImage = nullptr;
    double Position = 0;
    int32_t MinLeft = 0;
    int32_t MaxLeft = 0;
    int32_t MarkerLimit = 0;
    QPoint DragStart;
    QPoint DragNow;
    int32_t DragStartLeft = 0;
    int32_t DragStartTop = 0;
    bool Dragging = false;
    ChangeFunction OnChange;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void ThumbMouseDown(QMouseEvent *event);
    void ThumbMouseMove(QMouseEvent *event);
    void ThumbMouseUp(QMouseEvent *event);
    void MarkerMouseDown(TImageButton *marker, QMouseEvent *event);
    void MarkerMouseMove(TImageButton *marker, QMouseEvent *event);
    void MarkerMouseUp(TImageButton *marker, QMouseEvent *event);
    TImageButton *NewMarker();
    void Changed(bool pressed);

    HWND parent_handle_ = nullptr;
};
