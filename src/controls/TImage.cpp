#include "controls/TImage.h"

#include "desktop/ScaledPicture.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::SetPicture(const QImage &picture) {
    picture_ = picture;
    transparent_picture_ = QImage();
    update();
}

void TImage::ClearPicture() {
    SetPicture(QImage());
}

bool TImage::LoadPictureFromFile(const QString &path) {
    const QImage image = LoadScaledPicture(path, devicePixelRatioF());
    if (image.isNull())
        return false;
    SetPicture(image);
    return true;
}

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

void TImage::SetTransparent(bool transparent) {
    transparent_ = transparent;
    transparent_picture_ = QImage();
    update();
}

void TImage::SetKeyColor(std::optional<QRgb> key) {
    key_color_ = key;
    transparent_picture_ = QImage();
    update();
}

void TImage::paintEvent(QPaintEvent *) {
    if (picture_.isNull())
        return;
    const QImage *shown = &picture_;
    if (transparent_) {
        if (transparent_picture_.isNull()) {
            transparent_picture_ = picture_.convertToFormat(QImage::Format_ARGB32);
            const QRgb key =
                (key_color_ ? *key_color_ : picture_.pixel(0, picture_.height() - 1)) & 0x00FFFFFF;
            for (int y = 0; y < transparent_picture_.height(); ++y) {
                auto *row = reinterpret_cast<QRgb *>(transparent_picture_.scanLine(y));
                for (int x = 0; x < transparent_picture_.width(); ++x)
                    if ((row[x] & 0x00FFFFFF) == key)
                        row[x] = 0;
            }
        }
        shown = &transparent_picture_;
    }
    QPainter painter(this);
    if (stretch_)
        painter.drawImage(rect(), *shown);
    else
        painter.drawImage(0, 0, *shown);
}

void TImage::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange)
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    QWidget::changeEvent(event);
}

void TImage::mousePressEvent(QMouseEvent *event) {
    emit MouseDown(event);
}
void TImage::mouseMoveEvent(QMouseEvent *event) {
    emit MouseMove(event);
}
void TImage::mouseReleaseEvent(QMouseEvent *event) {
    emit MouseUp(event);
}
void TImage::mouseDoubleClickEvent(QMouseEvent *event) {
    // The second press of a double click: the double-click event first, then the press.
    if (event->button() == Qt::LeftButton)
        emit DoubleClick(event);
    emit MouseDown(event);
}
