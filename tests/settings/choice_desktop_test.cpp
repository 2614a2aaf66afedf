// The real program on an X display of its own (run under xvfb-run): the edit button and the
// profile editor store a changed profile in Output.dll, and the keep-ratio switch and the device
// the user picks on the preview panel are still there after a restart.
#include "../foundation/desktop_support.h"
#include "../foundation/program_copy.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const char *const kDevicePictures[] = {"3gp.jpg", "psp.jpg", "ipod.jpg", "pda.jpg", "mp4.jpg"};
const QRect kPreviewPanel(421, 68, 300, 224);
const QRect kBitRateEdit(40 + 136, 64 + 52, 114, 21); // in the editor, inside its video group

// Mean difference per colour channel between two pictures of the same size.
double Difference(const QImage &a, const QImage &b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32).scaled(x.size());
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// The candidate the part of the shot looks most like; -1 for an empty shot.
int Nearest(const QImage &shot, const QRect &part, const QList<QImage> &candidates) {
    if (shot.isNull())
        return -1;
    const QImage seen = shot.copy(part);
    int best = -1;
    double best_difference = 1e9;
    for (int i = 0; i < candidates.size(); ++i) {
        const double d = Difference(seen, candidates[i]);
        if (d < best_difference) {
            best_difference = d;
            best = i;
        }
    }
    return best;
}

class ChoiceDesktop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program_.Make()); }

    QString StartProgram(QProcess &converter) {
        program_.Start(converter, "");
        const QString id = WaitForWindow("Vidore4 Converter");
        // Out of the way of every control, so that no button shows its hover look.
        XDoTool({"mousemove", "--window", id, "10", "550"});
        QThread::msleep(700);
        return id;
    }
    void CloseProgram(QProcess &converter, const QString &id) {
        ClickAt(id, SkinPlace(program_.Folder(), "MainWindow", "TB_Close").center());
        ASSERT_TRUE(converter.waitForFinished(20000)) << "the close button did not end it";
        EXPECT_EQ(converter.exitCode(), 0) << ProgramCopy::Output(converter);
    }

    // Presses the edit button, types the bit rate into the editor and presses OK.
    void EditBitRate(const QString &main_id, const QString &bit_rate) {
        ClickAt(main_id, SkinPlace(program_.Folder(), "MainWindow", "TB_Edit").center());
        const QString editor = WaitForWindow("ProfileWindow");
        ASSERT_FALSE(editor.isEmpty()) << "the edit button opened no editor";
        QThread::msleep(300);
        XDoTool({"windowfocus", "--sync", editor});
        ClickAt(editor, kBitRateEdit.center());
        XDoTool({"key", "--clearmodifiers", "ctrl+a"});
        XDoTool({"type", "--delay", "50", bit_rate});
        QThread::msleep(200);
        ClickAt(editor, SkinPlace(program_.Folder(), "ProfileWindow", "TB_Ok").center());
        QElapsedTimer timer;
        timer.start();
        while (!WaitForWindow("ProfileWindow", 100).isEmpty() && timer.elapsed() < 10000)
            QThread::msleep(100);
        EXPECT_TRUE(WaitForWindow("ProfileWindow", 100).isEmpty()) << "OK left the editor open";
    }

    // The first profile of the device's section as the catalogue now holds it.
    QString FirstProfile(const QString &section) const {
        QFile file(program_.Folder() + "/Output.dll");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QString current;
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            const QString text = line.trimmed();
            if (text.startsWith('['))
                current = text.mid(1, text.indexOf(']') - 1);
            else if (current.compare(section, Qt::CaseInsensitive) == 0 &&
                     text.startsWith("Profile0="))
                return text.mid(9);
        }
        return {};
    }

    QList<QImage> DevicePictures() const {
        QList<QImage> pictures;
        for (const char *name : kDevicePictures)
            pictures << QImage(program_.Folder() + "/Skin/" + name);
        return pictures;
    }
    // The normal looks of the keep-ratio switch: unchecked, then checked.
    QList<QImage> KeepLooks() const {
        const QRect place = SkinPlace(program_.Folder(), "MainWindow", "TB_AS_Keep");
        const QRect cell(0, 0, place.width(), place.height());
        return {QImage(program_.Folder() + "/Skin/main_ratio_free.bmp").copy(cell),
                QImage(program_.Folder() + "/Skin/main_ratio_keep.bmp").copy(cell)};
    }

    ProgramCopy program_;
};

TEST_F(ChoiceDesktop, TheEditButtonStoresAChangedBitRate) {
    const QString before = FirstProfile("ipod");
    ASSERT_TRUE(before.contains(" kbps, ")) << before.toStdString();
    ASSERT_FALSE(before.contains("1234 kbps"));
    QProcess converter;
    const QString id = StartProgram(converter);
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    // The first start shows the iPod.
    EXPECT_EQ(Nearest(ShotOfWindow(id), kPreviewPanel, DevicePictures()), 2);

    EditBitRate(id, "1234");
    const QString after = FirstProfile("ipod");
    QString expected = before;
    expected.replace(QRegularExpression(R"(, \d+ kbps, )"), ", 1234 kbps, ");
    EXPECT_EQ(after.toStdString(), expected.toStdString());
    CloseProgram(converter, id);
}

TEST_F(ChoiceDesktop, KeepRatioAndTheDeviceSurviveARestart) {
    const QString psp_before = FirstProfile("psp");
    const QString ipod_before = FirstProfile("ipod");
    QProcess converter;
    QString id = StartProgram(converter);
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    const QRect keep = SkinPlace(program_.Folder(), "MainWindow", "TB_AS_Keep");
    EXPECT_EQ(Nearest(ShotOfWindow(id), keep, KeepLooks()), 0) << "keep-ratio starts off";
    ClickAt(id, keep.center());

    // Every device picked on the preview panel shows its picture; the PSP is picked last.
    for (int device : {0, 3, 4, 1}) {
        ClickAt(id, kPreviewPanel.center());
        QThread::msleep(400);
        XDoTool({"mousemove", "--window", id, "10", "550"});
        for (int step = 0; step <= device; ++step)
            XDoTool({"key", "Down"});
        XDoTool({"key", "Return"});
        QThread::msleep(500);
        EXPECT_EQ(Nearest(ShotOfWindow(id), kPreviewPanel, DevicePictures()), device)
            << kDevicePictures[device];
    }
    CloseProgram(converter, id);
    QSettings stored(program_.Home() + "/config/Vidore4.conf", QSettings::IniFormat);
    EXPECT_EQ(stored.value("KeepRatio").toString(), "1");
    EXPECT_EQ(stored.value("DeviceType").toString(), "1");

    QProcess again;
    id = StartProgram(again);
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(again);
    const QImage shot = ShotOfWindow(id);
    EXPECT_EQ(Nearest(shot, keep, KeepLooks()), 1) << "keep-ratio is still on";
    EXPECT_EQ(Nearest(shot, kPreviewPanel, DevicePictures()), 1) << "the PSP is still chosen";
    // The list holds the PSP's profiles: the edit button changes the PSP's first profile.
    EditBitRate(id, "777");
    EXPECT_TRUE(FirstProfile("psp").contains(", 777 kbps, ")) << FirstProfile("psp").toStdString();
    EXPECT_NE(FirstProfile("psp"), psp_before);
    EXPECT_EQ(FirstProfile("ipod"), ipod_before);
    CloseProgram(again, id);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
