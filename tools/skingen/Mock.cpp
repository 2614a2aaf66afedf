#include "Mock.h"

QImage Mock::Load(const QString &name) const {
    return QImage(skinDir_ + "/" + name);
}

void Mock::Label(QPainter &p, int x, int y, const QString &t, qreal px, bool bold, QColor c) const {
    skin_.type.Draw(p, t, bold, px, QPointF(x, y + px), c);
}

void Mock::Masked(QPainter &p, int x, int y, const QImage &cell) {
    QImage a = cell.convertToFormat(QImage::Format_ARGB32);
    for (int j = 0; j < a.height(); ++j)
        for (int i = 0; i < a.width(); ++i)
            if ((a.pixel(i, j) & 0xFFFFFF) == 0xFF00FF)
                a.setPixel(i, j, 0);
    p.drawImage(x, y, a);
}

void Mock::Buttons(QPainter &p, const QString &window, const QStringList &skip) const {
    for (const auto &pl : skin_.placed)
        if (pl.window == window && !skip.contains(pl.key))
            p.drawImage(pl.at, pl.cell);
}

void Mock::Finish(QImage img, const QString &mask, const QString &name) const {
    const QImage m = Load(mask);
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((m.pixel(x, y) & 0xFFFFFF) == 0xFF00FF)
                img.setPixel(x, y, 0);
    img.save(mockDir_ + "/" + name);
}

void WriteMocks(const Skin &skin, const QString &skinDir, const QString &mockDir) {
    const Mock mock(skin, skinDir, mockDir);
    MainWindowMock(mock);
    ProgressWindowMock(mock);
    ProfileWindowMock(mock);
    AboutWindowMock(mock);
}
