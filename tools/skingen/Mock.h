#pragma once
// Mock pictures: the windows put together from the generated pieces with stand-ins for the
// form's own controls, to judge the skin as a whole.

#include "Skin.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <utility>

class Mock {
public:
    Mock(const Skin &skin, QString skinDir, QString mockDir)
        : skin_(skin), skinDir_(std::move(skinDir)), mockDir_(std::move(mockDir)) {}

    const Typeface &type() const { return skin_.type; }
    // A generated piece, read back from the skin folder.
    QImage Load(const QString &name) const;
    // A stand-in for a form label whose top is at y.
    void Label(QPainter &p, int x, int y, const QString &t, qreal px = 11, bool bold = false,
               QColor c = Qt::black) const;
    // Draws the cell leaving out its magenta pixels.
    static void Masked(QPainter &p, int x, int y, const QImage &cell);
    // The window's buttons in their normal look, all but those in skip.
    void Buttons(QPainter &p, const QString &window, const QStringList &skip = {}) const;
    // Cuts the picture to the window's mask and saves it under name in the mock folder.
    void Finish(QImage img, const QString &mask, const QString &name) const;

private:
    const Skin &skin_;
    QString skinDir_;
    QString mockDir_;
};

// One mock picture per window.
void MainWindowMock(const Mock &mock);
void ProgressWindowMock(const Mock &mock);
void ProfileWindowMock(const Mock &mock);
void AboutWindowMock(const Mock &mock);

// All four, from the skin just written to skinDir.
void WriteMocks(const Skin &skin, const QString &skinDir, const QString &mockDir);
