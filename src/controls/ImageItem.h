#pragma once
// One entry of the clip list: a 388 x 64 picture with the clip's thumbnail and seven lines of
// details in a frame whose colour tells whether the entry is selected or under the mouse. It
// draws a record of the clip list and holds none of its data.

#include <QImage>
#include <QString>
#include <cstdint>

#include "controls/TImage.h"
#include "engine/OutputForecast.h"
#include "model/ClipList.h"

#include <optional>

class Image_Item : public TImage {
    Q_OBJECT
public:
    explicit Image_Item(QWidget *parent = nullptr);
    ~Image_Item() override;

    // Draws the clip's details and its decoded thumbnail (the record's own, or picture when
    // given). False, without drawing, for no picture.
    bool SetClipInfo(const ClipRecord &clip, const QImage *picture = nullptr);
    // Draws the crop range's line again.
    void ShowCropTimes(int32_t start, int32_t stop);
    // The file the clip will become, in the right column of the name's line: frame, rate and
    // size; red when the profile cannot take the clip or the device cannot play the file. The
    // whole prediction is in the entry's hint. Nothing: the name has its whole line again.
    void ShowForecast(const ClipRecord &clip, const std::optional<FileForecast> &forecast);

    void DrawSelected();
    void DrawUnselected();
    void DrawHover();

    int32_t ClipId = 0;    // the record drawn
    bool Selected = false; // as drawn

    static constexpr int kWidth = 388;
    static constexpr int kHeight = 64;
    // The font the lines are drawn in.
    static QFont TextFont();

protected:
    // The frame follows the mouse before the picture's own handling.
    bool event(QEvent *event) override;

private:
    void DrawFrame(const QColor &color);
    void SetSelected(bool selected);
    void DrawTimeLine(int32_t start, int32_t stop);
    // Text at (x, y), cut short with an ellipsis where it would reach `right` (the next column,
    // or the entry's edge when 0).
    void DrawText(int x, int y, const QString &text, int right = 0);
};
