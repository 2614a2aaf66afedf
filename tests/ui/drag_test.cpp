#include "common/Globals.h"
#include "desktop/MessageBox.h"
#include "skin/SkinLoader.h"
#include "ui/AboutWindow.h"
#include "ui/ProfileWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

// A mouse event given to the window as the platform would give it: the window finds the widget
// under the point itself, so pictures that take no input let it through.
void Mouse(QWidget &window, QEvent::Type type, QPoint local, Qt::MouseButton button,
           Qt::MouseButtons held) {
    QWindow *handle = window.windowHandle();
    const QPointF global = handle->mapToGlobal(local);
    QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
    QApplication::sendEvent(handle, &event);
}

void Drag(QWidget &window, QPoint from, QPoint by, Qt::MouseButton button) {
    Mouse(window, QEvent::MouseButtonPress, from, button, button);
    // The window moves under the cursor: each move is given where the cursor now is.
    const QPoint start = window.pos();
    for (int step = 1; step <= 4; ++step) {
        const QPoint cursor_global = start + from + by * step / 4;
        Mouse(window, QEvent::MouseMove, cursor_global - window.pos(), Qt::NoButton, button);
    }
    const QPoint cursor_global = start + from + by;
    Mouse(window, QEvent::MouseButtonRelease, cursor_global - window.pos(), button, Qt::NoButton);
}

} // namespace

TEST(WindowDrag, PressOnTheBackgroundMovesTheWindowAndOtherButtonsDoNot) {
    SetMessageBoxHandler([](BoxKind, const QString &, BoxButtons) { return int(IDOK); });
    TProfileWindow profile;
    TAboutWindow about(nullptr);
    for (TSkinnedForm *window :
         {static_cast<TSkinnedForm *>(&profile), static_cast<TSkinnedForm *>(&about)}) {
        ASSERT_TRUE(ApplySkin(window, QStringLiteral(MAVO_BIN_DIR) + "/Skin/"));
        window->move(100, 100);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        // The point lies on the background picture, which lets presses through to the form.
        const QWidget *background = window->findChild<QWidget *>("Img_Background");
        ASSERT_NE(background, nullptr);
        ASSERT_TRUE(background->geometry().contains(QPoint(120, 8)));
        ASSERT_EQ(window->childAt(QPoint(120, 8)), nullptr);

        Drag(*window, QPoint(120, 8), QPoint(60, 35), Qt::LeftButton);
        EXPECT_EQ(window->pos(), QPoint(160, 135)) << window->objectName().toStdString();
        EXPECT_FALSE(window->Dragging);

        Drag(*window, QPoint(120, 8), QPoint(-40, 20), Qt::RightButton);
        EXPECT_EQ(window->pos(), QPoint(160, 135)) << "a right-button drag never moves it";
        window->hide();
    }
    SetMessageBoxHandler(nullptr);
}
