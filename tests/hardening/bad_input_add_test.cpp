// Whatever lies on a user's disk, chosen for adding through the real add path and the real
// engine: each file is refused for a reason the user can read, or added, and no file changes.
#include "BadInputs.h"
#include "app/ClipAdder.h"
#include "common/Globals.h"
#include "desktop/MessageBox.h"
#include "engine/EngineBinding.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using hardening::Outcome;

ClipRefusal RefusalFor(Outcome outcome) {
    switch (outcome) {
    case Outcome::Unreadable:
        return ClipRefusal::Unreadable;
    case Outcome::NoVideo:
        return ClipRefusal::NoVideo;
    case Outcome::Converts:
        break;
    }
    return ClipRefusal::None;
}

class BadInputAddTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadEngine(QStringLiteral(MAVO_BIN_DIR "/")));
        DllInit();
        ASSERT_TRUE(snapshot_.isValid());
        path_Snapshot = snapshot_.path() + "/";
        SetMessageBoxHandler([this](BoxKind, const QString &text, BoxButtons) {
            boxes_ << text;
            return static_cast<int>(IDOK);
        });
    }
    void TearDown() override {
        UnloadEngine();
        SetMessageBoxHandler(nullptr);
    }

    QTemporaryDir snapshot_;
    QStringList boxes_;
};

TEST_F(BadInputAddTest, EachFileIsRefusedForAReasonOrAddedAndNothingChanges) {
    const QString dir = QString::fromStdString(hardening::MakeCases("bad_input_add"));
    const QMap<QString, QByteArray> before = hardening::Snapshot(dir);

    for (const hardening::BadInput &c : hardening::Cases()) {
        SCOPED_TRACE(c.name);
        const QString file = dir + "/" + QString::fromUtf8(c.name);
        bool adding = false;
        QStringList added;
        QList<int32_t> lengths;
        ClipAdder adder(adding, [&](const AddedClip &clip) {
            added << clip.record.FileName;
            lengths << clip.record.Duration;
        });
        boxes_.clear();
        hardening::RunAs(c, [&] { EXPECT_TRUE(adder.Add({file}, 0)); });
        QCoreApplication::processEvents();

        const ClipRefusal expected = RefusalFor(c.outcome);
        if (expected == ClipRefusal::None) {
            EXPECT_EQ(added, QStringList{file});
            // Whole seconds, rounded up: the sound runs a few milliseconds past the pictures.
            if (file.endsWith(hardening::kTenMinutes)) {
                EXPECT_TRUE(lengths == QList<int32_t>{600} || lengths == QList<int32_t>{601});
            }
            EXPECT_TRUE(boxes_.isEmpty()) << boxes_.join("|").toStdString();
            continue;
        }
        EXPECT_TRUE(added.isEmpty());
        ASSERT_EQ(boxes_.size(), 1);
        EXPECT_EQ(boxes_[0], RefusalMessage({{file, expected}}));
        EXPECT_TRUE(boxes_[0].contains(QString::fromUtf8(c.name))) << boxes_[0].toStdString();
    }
    EXPECT_EQ(hardening::Snapshot(dir), before) << "the chosen files are as they were";
    EXPECT_TRUE(QDir(path_Snapshot).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
