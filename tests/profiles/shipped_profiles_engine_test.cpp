// Every profile the user can pick in the main window's list converted by the engine: the shipped
// ones and a new one made in the profile editor with its proposals, for every device. The
// argument list is the one the program builds for a clip: mpeg4 video and AAC audio at the
// profile's settings, no padding, into the device's container. The output is checked with
// ffprobe.

#include "common/Globals.h"
#include "common/NumberText.h"
#include "profiles/DeviceTable.h"
#include "profiles/ProfileCatalogue.h"
#include "ui/ProfileChooser.h"
#include "ui/ProfileWindow.h"

#include <encoder.h>
#include <winmsg.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

const QString kShipped = QStringLiteral(MAVO_BIN_DIR "/Output.dll");
const QString kSourceClip = QStringLiteral(MAVO_FIXTURE_DIR "/profiles_source.mp4");

// A window that waits for the engine's end-of-clip message.
class DoneWaiter {
public:
    DoneWaiter() { winmsg_register(Handle(), &DoneWaiter::Proc, this); }
    ~DoneWaiter() { winmsg_unregister(Handle()); }
    HWND Handle() { return this; }

    // The result of the end-of-clip message, or nothing when none came in time.
    std::optional<WPARAM> Wait(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, limit, [this] { return result_.has_value(); });
        return result_;
    }
    int Count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    static LRESULT Proc(void *ctx, HWND, UINT msg, WPARAM w, LPARAM, int) {
        auto *self = static_cast<DoneWaiter *>(ctx);
        if (msg == WM_CONVERTDONE) {
            std::lock_guard lock(self->mutex_);
            ++self->count_;
            if (!self->result_)
                self->result_ = w;
            self->cv_.notify_all();
        }
        return 0;
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<WPARAM> result_;
    int count_ = 0;
};

std::string Quoted(const QString &path) {
    std::string q = "'";
    for (char c : path.toStdString())
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string RunText(const std::string &command) {
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

// One ffprobe value of the first stream of a kind: "v:0" / "a:0", entry "width" and so on.
std::string Probe(const QString &file, const char *stream, const char *entry) {
    std::string text = RunText(std::string("ffprobe -v error -select_streams ") + stream +
                               " -show_entries stream=" + entry +
                               " -of default=noprint_wrappers=1:nokey=1 " + Quoted(file));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

class ShippedProfileConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QDir().mkpath(QStringLiteral(MAVO_FIXTURE_DIR));
        if (!QFileInfo(kSourceClip).isFile()) {
            const std::string command =
                "ffmpeg -v error -y -f lavfi -i testsrc=size=640x360:rate=25 -f lavfi -i "
                "sine=frequency=440:sample_rate=44100 -ac 2 -t 2 -c:v mpeg4 -c:a aac " +
                Quoted(kSourceClip);
            ASSERT_EQ(std::system(command.c_str()), 0);
        }
        MyDll_Init();
    }
    static void TearDownTestSuite() { MyDll_UnInit(); }
};

// Converts the profile text for the device into output; false with a reason when it fails.
void ExpectConverts(const QString &profile, const DeviceRow &device, const QString &output) {
    SCOPED_TRACE(profile.toStdString());
    const ProfileFields f = ProfileCatalogue::ParseProfileText(profile);
    ASSERT_GT(f.Resolution.size(), 2);
    const QString sampling_rate =
        DecimalText(static_cast<float>(DecimalValue(f.AudioFrequency) * 1000));
    const std::vector<std::string> texts = {"Clipmorph.exe",
                                            "-y",
                                            "-ss",
                                            "00:00:00",
                                            "-t",
                                            "2",
                                            "-i",
                                            kSourceClip.toStdString(),
                                            "-vol",
                                            "100",
                                            "-bitexact",
                                            "-vcodec",
                                            "mpeg4",
                                            "-padtop",
                                            "0",
                                            "-padbottom",
                                            "0",
                                            "-padleft",
                                            "0",
                                            "-padright",
                                            "0",
                                            "-s",
                                            f.Resolution.toLower().toStdString(),
                                            "-r",
                                            f.FrameRate.toLower().toStdString(),
                                            "-b",
                                            f.VideoBitRate.toLower().toStdString(),
                                            "-acodec",
                                            "aac",
                                            "-ac",
                                            f.Channels.toStdString(),
                                            "-ar",
                                            sampling_rate.toStdString(),
                                            "-ab",
                                            f.AudioBitRate.toStdString(),
                                            "-f",
                                            device.OutputFormat.toStdString(),
                                            output.toStdString()};
    ASSERT_EQ(texts.size(), 38u);
    std::vector<std::vector<char>> storage;
    std::vector<char *> argv;
    for (const std::string &t : texts) {
        storage.emplace_back(t.begin(), t.end());
        storage.back().push_back('\0');
    }
    for (auto &s : storage)
        argv.push_back(s.data());

    DoneWaiter waiter;
    ASSERT_EQ(_X(waiter.Handle(), static_cast<int>(argv.size()), argv.data()), 0);
    // A limit so that a lost message fails the test instead of hanging it.
    const std::optional<WPARAM> result = waiter.Wait(std::chrono::seconds(120));
    ASSERT_TRUE(result.has_value()) << "no end-of-clip message";
    ASSERT_EQ(*result, 0u) << "the engine failed the clip";
    EXPECT_EQ(waiter.Count(), 1);

    ASSERT_TRUE(QFileInfo(output).isFile());
    EXPECT_EQ(Probe(output, "v:0", "codec_name"), "mpeg4");
    EXPECT_EQ(Probe(output, "v:0", "width"), std::to_string(f.Width));
    EXPECT_EQ(Probe(output, "v:0", "height"), std::to_string(f.Height));
    EXPECT_EQ(Probe(output, "a:0", "codec_name"), "aac");
    EXPECT_EQ(Probe(output, "a:0", "sample_rate"), sampling_rate.toStdString());
    EXPECT_EQ(Probe(output, "a:0", "channels"), f.Channels.toStdString());
}

TEST_F(ShippedProfileConversion, EveryProfileOfTheListConverts) {
    ASSERT_TRUE(QFileInfo(kSourceClip).isFile());
    // The program's catalogue starts as the shipped one; the editor adds to it.
    QTemporaryDir config;
    path_Config = config.path() + "/";
    ASSERT_TRUE(QFile::copy(kShipped, path_Config + "Output.dll"));
    QFile::setPermissions(path_Config + "Output.dll", QFile::ReadOwner | QFile::WriteOwner);
    ProfileWindow = new TProfileWindow;
    QComboBox list;
    ProfileChooser chooser(&list, path_Config + "Output.dll");

    QTemporaryDir out_dir;
    int converted = 0;
    // The classic players; today's devices are converted through the program's run.
    for (int device = 0; device < kClassicDeviceCount; ++device) {
        const DeviceRow row = *DeviceRowFor(device);
        chooser.FillProfileCombo(device);
        const int shipped = list.count() - 1;
        ASSERT_GT(shipped, 0) << row.Caption.toStdString();
        // A new profile as the editor proposes it.
        ProfileWindow->OpenForNew(device);
        ProfileWindow->TB_OkClick();
        ASSERT_TRUE(ProfileWindow->Saved());
        chooser.FillProfileCombo(device);
        ASSERT_EQ(list.count(), shipped + 2);

        for (int entry = 0; entry + 1 < list.count(); ++entry) {
            const QString output = out_dir.filePath(
                QStringLiteral("%1-%2%3").arg(device).arg(entry).arg(row.OutputExt));
            ExpectConverts(list.itemText(entry), row, output);
            if (HasFatalFailure())
                break;
            ++converted;
        }
    }
    delete ProfileWindow;
    ProfileWindow = nullptr;
    EXPECT_GE(converted, 20);
}

} // namespace
