#pragma once
// One entry of the clip list: a 388 x 64 picture with the clip's thumbnail and seven lines of
// details in a frame whose colour tells whether the entry is selected or under the mouse. It
// also carries the clip's data that the rest of the program reads back.

#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <encoder.h>

#include "controls/TImage.h"

class Image_Item : public TImage {
    Q_OBJECT
public:
    explicit Image_Item(QWidget *parent = nullptr);
    ~Image_Item() override;

    // Takes the clip's details and its decoded thumbnail and draws the entry; the crop range
    // becomes the whole clip. False, without drawing, for no record or no picture.
    bool SetClipInfo(const ClipInfoRecord *info, const QImage *picture);
    // Sets the crop range in seconds and redraws its line. False, and nothing changed, for a
    // negative start or a stop beyond the clip. Start never ends up after stop.
    bool SetCropTimes(int32_t start, int32_t stop);

    void DrawSelected();
    void DrawUnselected();
    void DrawHover();

    QImage *Thumbnail = nullptr; // exists only while SetClipInfo runs
    bool Selected = false;
    QString FileName;
    int32_t Duration = 0;
    QString VideoFormat;
    QString AudioFormat;
    std::array<int32_t, 8> InfoValues{};
    int32_t StartTime = 0;
    int32_t StopTime = 0;

    static constexpr int kWidth = 388;
    static constexpr int kHeight = 64;
    // The font the lines are drawn in.
    static QFont TextFont();

protected:
    // The frame follows the mouse before the picture's own handling.
    bool event(QEvent *event) override;

private:
    void DrawFrame(const QColor &color);
    void DrawTimeLine();
    void DrawText(int x, int y, const QString &text);
};
