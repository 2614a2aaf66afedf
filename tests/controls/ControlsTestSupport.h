#pragma once
// Shared pieces of the control tests: test bitmaps, a window to host controls, real mouse input
// through the window system path (so enter/leave, implicit and explicit grabs all take part) and
// a recorder of the messages a control sends to its parent.

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <utility>
#include <vector>

#include "common/MessagePort.h"

namespace controls_test {

// A strip of solid cells, side by side, in the given colours.
inline QImage Strip(const std::vector<QColor> &cells, int cell_width, int cell_height) {
    QImage strip(cell_width * static_cast<int>(cells.size()), cell_height, QImage::Format_RGB32);
    QPainter painter(&strip);
    for (size_t i = 0; i < cells.size(); ++i)
        painter.fillRect(static_cast<int>(i) * cell_width, 0, cell_width, cell_height, cells[i]);
    return strip;
}

inline QImage Solid(int width, int height, const QColor &color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

inline QColor At(const QImage &image, int x, int y) {
    return image.pixelColor(x, y);
}

// What the widget shows on screen, as an image of its own size.
inline QImage Shown(QWidget *widget) {
    return widget->grab().toImage();
}

// A top-level window for the controls under test.
struct Host {
    QWidget window;
    explicit Host(int width = 640, int height = 480) {
        window.resize(width, height);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        // The mouse waits in the far corner, away from the controls under test.
        QCursor::setPos(window.mapToGlobal(QPoint(width - 1, height - 1)));
        QTest::mouseMove(window.windowHandle(), QPoint(width - 1, height - 1));
    }
};

inline QWindow *WindowOf(QWidget *widget) {
    return widget->window()->windowHandle();
}
inline QPoint InWindow(QWidget *widget, QPoint at) {
    return widget->mapTo(widget->window(), at);
}

inline void Press(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(WindowOf(widget), button, modifiers, InWindow(widget, at));
}
inline void Release(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseRelease(WindowOf(widget), button, modifiers, InWindow(widget, at));
}
inline void Click(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(WindowOf(widget), button, modifiers, InWindow(widget, at));
}
inline void DoubleClick(QWidget *widget, QPoint at) {
    QTest::mouseDClick(WindowOf(widget), Qt::LeftButton, {}, InWindow(widget, at));
}
// Moves the mouse (with whatever buttons are held) to a point given in widget coordinates.
inline void MoveTo(QWidget *widget, QPoint at) {
    QTest::mouseMove(WindowOf(widget), InWindow(widget, at));
}

// Records what reaches a window handle.
struct MessageLog {
    std::vector<std::pair<UINT, WPARAM>> messages;
    MessagePort port{[this](UINT msg, WPARAM w, LPARAM) {
        messages.emplace_back(msg, w);
        return LRESULT{0};
    }};
    HWND Handle() { return port.Handle(); }
    void Clear() { messages.clear(); }
};

} // namespace controls_test
