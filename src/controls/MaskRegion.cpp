#include "controls/MaskRegion.h"

#include "common/SharedFunctions.h"

#include <QWidget>

QRegion MaskShape(const QImage &bitmap, int width, int height) {
    QRegion shape(0, 0, width, height);
    if (std::optional<QRegion> key = BitmapColorRegion(bitmap, kMaskKeyColor))
        shape -= *key;
    return shape;
}

void SetWidgetShape(QWidget *widget, const QRegion &shape) {
    if (shape.isEmpty())
        widget->setMask(QRegion(-1, -1, 1, 1));
    else
        widget->setMask(shape);
}

bool ShapeWindowByMask(QWidget *window, const QImage &mask) {
    if (window == nullptr || mask.isNull())
        return false;
    SetWidgetShape(window, MaskShape(mask, mask.width(), mask.height()));
    return true;
}
