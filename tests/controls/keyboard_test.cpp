// The skinned controls from the keyboard and for screen readers: Tab reaches the buttons and
// marks them, Space and Return press them, the list's keys move its selection, and each control
// has a role and a name.
#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "ItemSupport.h"
#include "controls/ControlAccessibility.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "model/ClipList.h"

using namespace controls_test;

namespace {

FocusMark *MarkOf(QWidget *control) {
    return control->findChild<FocusMark *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

TEST(Keyboard, TabReachesAndMarksTheButtonsAndSpaceOrReturnPressesThem) {
    Host host;
    InstallControlAccessibility();
    auto *add = new TImageButton(&host.window);
    auto *keep = new TCheckImageButton(&host.window);
    for (TImageButton *button :
         {static_cast<TImageButton *>(add), static_cast<TImageButton *>(keep)})
        ASSERT_TRUE(button->LoadStates(Strip({Qt::red, Qt::green}, 30, 20), 30, 20, false, true,
                                       false, false));
    keep->move(40, 0);
    add->setToolTip("Add files (Ctrl+O)");
    keep->SetCheckHints("Keep the aspect ratio # Fill the frame");
    int clicks = 0;
    QObject::connect(add, &TImageButton::Click, [&] { ++clicks; });

    // A click gives no mark; Tab does, and the mark goes with the focus.
    add->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(MarkOf(add)->isVisible());
    QTest::keyClick(&host.window, Qt::Key_Tab);
    EXPECT_TRUE(keep->hasFocus());
    EXPECT_TRUE(MarkOf(keep)->isVisible());
    QTest::keyClick(&host.window, Qt::Key_Backtab);
    EXPECT_TRUE(add->hasFocus());
    EXPECT_TRUE(MarkOf(add)->isVisible());
    EXPECT_FALSE(MarkOf(keep)->isVisible());
    EXPECT_EQ(At(Shown(add), 1, 1), FocusMark::Color()) << "the mark is drawn on the button";
    host.window.setProperty(kFocusColorProperty, QColor(Qt::cyan));
    EXPECT_EQ(At(Shown(add), 1, 1), QColor(Qt::cyan)) << "the skin's colour comes first";

    QTest::keyClick(add, Qt::Key_Space);
    QTest::keyClick(add, Qt::Key_Return);
    EXPECT_EQ(clicks, 2);
    add->SetButtonEnabled(false);
    QTest::keyClick(add, Qt::Key_Space);
    EXPECT_EQ(clicks, 2) << "a disabled button is not pressed";

    // What a screen reader is told.
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(add);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), "Add files (Ctrl+O)");
    QAccessibleInterface *check = QAccessible::queryAccessibleInterface(keep);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->role(), QAccessible::CheckBox);
    EXPECT_FALSE(check->state().checked);
    keep->SetChecked(true);
    EXPECT_TRUE(check->state().checked);
    EXPECT_EQ(check->text(QAccessible::Name), "Fill the frame");
}

TEST(Keyboard, TheListsKeysMoveAndExtendTheSelectionAndItsEntriesReadAsClips) {
    Host host;
    InstallControlAccessibility();
    ClipList clips;
    auto *panel = new TListPanel(&host.window);
    panel->resize(404, 300);
    panel->SetClipList(&clips);
    for (int i = 0; i < 4; ++i) {
        ClipRecord record = Record("/clips/party" + std::to_string(i) + ".avi", 223 + i);
        record.InfoValues[0] = 1280;
        record.InfoValues[1] = 720;
        clips.AddItem(record);
    }
    panel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel, Qt::Key_Down);
    EXPECT_EQ(clips.CollectSelected(), QList<int32_t>{1});
    QTest::keyClick(panel, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(panel, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(clips.CollectSelected(), QList<int32_t>({1, 2, 3}));
    QTest::keyClick(panel, Qt::Key_Home);
    EXPECT_EQ(clips.CollectSelected(), QList<int32_t>{0});
    QTest::keyClick(panel, Qt::Key_Up);
    EXPECT_EQ(clips.CollectSelected(), QList<int32_t>{0}) << "the top stays the top";

    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(panel);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    QAccessibleInterface *entry = QAccessible::queryAccessibleInterface(panel->GetItem(0));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->role(), QAccessible::ListItem);
    EXPECT_EQ(entry->text(QAccessible::Name), "party0.avi, 3 minutes 43 seconds, 1280 by 720");
    EXPECT_TRUE(entry->state().selected);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(panel->GetItem(1))->state().selected);
}
