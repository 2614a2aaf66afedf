#include "RunFixture.h"

#include "ItemSupport.h"
#include "common/Globals.h"
#include "desktop/OpenAddress.h"
#include "engine/EngineBinding.h"
#include "media.h"
#include "model/Settings.h"
#include "profiles/ProfileChoice.h"
#include "skin/SkinLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

namespace run_test {

RunSetup::RunSetup() {
    if (!EngineLoaded()) {
        EXPECT_TRUE(LoadEngine(QStringLiteral(MAVO_BIN_DIR) + "/"));
        DllInit();
    }
    folder = out.path() + "/";
    UseOutputFolder(folder);
    SetKeepRatio(false);
    SetMessageBoxHandler([this](BoxKind kind, const QString &text, BoxButtons) {
        boxes.push_back({kind, text});
        return static_cast<int>(IDOK);
    });
    SetAddressOpener([this](const QUrl &address) {
        opened << address.toLocalFile();
        return true;
    });
    window = std::make_unique<TProgressWindow>();
    EXPECT_TRUE(ApplySkin(window.get(), QStringLiteral(MAVO_BIN_DIR) + "/Skin/"));
    list = std::make_unique<ClipList>();
    profiles = std::make_unique<QComboBox>();
    run = std::make_unique<ConversionRun>();
    port = std::make_unique<MessagePort>([this](UINT msg, WPARAM w, LPARAM) {
        if (msg == WM_CONVERTDONE)
            run->ConvertNextClip(static_cast<int>(w));
        return LRESULT{0};
    });
    run->SetWindow(port->Handle());
    window->AttachRun(run.get(), [this] {
        return MakeRunRequest(list->Snapshot(),
                              ChosenProfileText(profiles->currentIndex(), profiles->currentText()),
                              2, path_Work, b_KeepRatio);
    });
    window->ResetProgress();
    window->show();
}

RunSetup::~RunSetup() {
    // Nothing of a run may outlive the test.
    run->Abort(5000);
    window.reset();
    SetMessageBoxHandler(nullptr);
    SetAddressOpener(nullptr);
}

int32_t RunSetup::AddClip(const QString &path, int32_t start, int32_t stop) {
    const QByteArray name = QFile::encodeName(path);
    ClipInfoRecord info{};
    DllGetFileInfo(name.constData(), &info);
    controls_test::TestClip clip(path.toStdString(), info.duration, info.width, info.height);
    list->AddItem(ClipRecord::FromInfo(clip.info));
    const int32_t index = list->Count() - 1;
    if (start >= 0)
        list->SetCropTimes(index, start, stop);
    return index;
}

int32_t RunSetup::AddMadeUpClip(const QString &path, int32_t duration, int32_t start,
                                int32_t stop) {
    list->AddItem(controls_test::Record(path.toStdString(), duration));
    const int32_t index = list->Count() - 1;
    list->SetCropTimes(index, start, stop);
    return index;
}

void RunSetup::ChooseProfile(const QString &text) {
    profiles->clear();
    profiles->addItem(text);
    profiles->addItem("Add my profile...");
    profiles->setCurrentIndex(0);
}

bool RunSetup::WaitForEnd(int timeout_ms) {
    QElapsedTimer waited;
    waited.start();
    while (run->Converting() && waited.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return !run->Converting();
}

bool RunSetup::StartAndWait(int timeout_ms) {
    Press(window->TB_Start);
    return WaitForEnd(timeout_ms);
}

QStringList RunSetup::OutputFiles() const {
    return QDir(out.path()).entryList(QDir::Files, QDir::Name);
}

QStringList RunSetup::BoxTexts() const {
    QStringList texts;
    for (const Box &box : boxes)
        texts << box.text;
    return texts;
}

void RunSetup::Shot(const QString &name) {
    const QString dir = qEnvironmentVariable("MAVO_SHOTS_DIR");
    if (!dir.isEmpty())
        window->grab().save(dir + "/" + name + ".png");
}

void Press(QWidget *button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

QString Media(const std::string &name) {
    return QString::fromStdString(media::Fixture(name));
}

QString LongClip(int seconds) {
    const std::string path = media::FixtureDir() + "/run_long" + std::to_string(seconds) + ".avi";
    if (!media::Exists(path)) {
        const std::string part = path + ".part" + std::to_string(getpid()) + ".avi";
        const std::string d = std::to_string(seconds);
        media::Run("ffmpeg -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=" + d +
                   " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d +
                   " -c:v mpeg4 -q:v 5 -c:a libmp3lame -ac 2 " + media::Quote(part));
        media::PutInPlace(part, path);
    }
    return QString::fromStdString(path);
}

} // namespace run_test
