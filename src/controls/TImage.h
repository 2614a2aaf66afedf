#pragma once
// The picture control of the skinned windows: shows one bitmap from its top-left corner (or
// stretched over the whole control), optionally with the bitmap's bottom-left colour left out.
// A disabled picture takes no mouse input: clicks fall through to what lies beneath.

#include <QImage>
#include <QWidget>
#include <optional>

class QMouseEvent;

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    const QImage &Picture() const { return picture_; }
    // The control keeps its own copy.
    void SetPicture(const QImage &picture);
    void ClearPicture();
    // Loads a picture file by its type: JPEG for ".jpg"/".jpeg", otherwise what the file holds
    // (BMP and the other formats Qt reads). On a screen of twice the pixel density the file's
    // "@2x" companion when there is one (desktop/ScaledPicture.h). False, and the picture
    // unchanged, on failure.
    bool LoadPictureFromFile(const QString &path);

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    // Leaves out every pixel of the bitmap's bottom-left colour, or of the key colour when one
    // is set.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    void SetKeyColor(std::optional<QRgb> key);

signals:
    void MouseDown(QMouseEvent *event);
    void MouseMove(QMouseEvent *event);
    void MouseUp(QMouseEvent *event);
    void DoubleClick(QMouseEvent *event);

protected:
    // Drawing straight into the shown bitmap (subclasses call update() when done).
    QImage &Canvas() {
        transparent_picture_ = QImage();
        return picture_;
    }

    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QImage picture_;
    QImage transparent_picture_; // picture_ with its key colour cleared, made when needed
    std::optional<QRgb> key_color_;
    bool stretch_ = false;
    bool transparent_ = false;
};
