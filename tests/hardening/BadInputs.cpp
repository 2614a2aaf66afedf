#include "BadInputs.h"

#include "media.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace hardening {
namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void WriteAll(const std::string &path, const std::string &data) {
    std::ofstream(path, std::ios::binary) << data;
}

// The first bytes of a fixture, cut short inside its header as by a failed download.
std::function<void(const std::string &)> Truncated(const char *fixture) {
    return [fixture](const std::string &path) {
        WriteAll(path, ReadAll(media::Fixture(fixture)).substr(0, 400));
    };
}

std::function<void(const std::string &)> CopyOf(const char *fixture) {
    return [fixture](const std::string &path) { fs::copy_file(media::Fixture(fixture), path); };
}

// A clip of ten minutes, small in pictures and sound so that it converts in seconds.
void TenMinuteClip(const std::string &path) {
    const std::string made = media::FixtureDir() + "/ten_minutes.avi";
    if (!media::Exists(made)) {
        const std::string part = made + ".part" + std::to_string(getpid()) + ".avi";
        media::Run("ffmpeg -v error -y -f lavfi -i testsrc2=size=160x120:rate=10:duration=600"
                   " -f lavfi -i sine=frequency=440:sample_rate=8000:duration=600"
                   " -c:v mpeg4 -q:v 12 -c:a libmp3lame -ac 1 -b:a 16k " +
                   media::Quote(part));
        media::PutInPlace(part, made);
    }
    fs::copy_file(made, path);
}

} // namespace

const std::vector<BadInput> &Cases() {
    static const std::vector<BadInput> cases = {
        {"empty.avi", [](const std::string &p) { WriteAll(p, ""); }, Outcome::Unreadable},
        {"letter.avi", [](const std::string &p) { WriteAll(p, "Dear Ann,\nsee you soon.\n"); },
         Outcome::Unreadable},
        {"cut.mp4", Truncated("mp4"), Outcome::Unreadable},
        {"cut.avi", Truncated("avi"), Outcome::Unreadable},
        {"cut.mov", Truncated("mov"), Outcome::Unreadable},
        {"cut.wmv", Truncated("wmv"), Outcome::Unreadable},
        {"playlist.avi", CopyOf("hls"), Outcome::Unreadable},
        {"list.avi", CopyOf("concat"), Outcome::Unreadable},
        {"sound.avi", CopyOf("audio"), Outcome::NoVideo},
        {"folder.avi", [](const std::string &p) { fs::create_directory(p); }, Outcome::Unreadable},
        {"pipe.avi", [](const std::string &p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
         Outcome::Unreadable},
        {"zeros.avi", [](const std::string &p) { fs::create_symlink("/dev/zero", p); },
         Outcome::Unreadable},
        {"private.mp4",
         [](const std::string &p) {
             fs::copy_file(media::Fixture("mp4"), p);
             chmod(p.c_str(), 0000); // nobody but root may read it
         },
         Outcome::Unreadable, true},
        {"my holiday clip.mp4", CopyOf("mp4"), Outcome::Converts},
        {"Ann's \"best\" day.mp4", CopyOf("mp4"), Outcome::Converts},
        {"Отпуск 夏休み.mp4", CopyOf("mp4"), Outcome::Converts},
        {"-dash.mp4", CopyOf("mp4"), Outcome::Converts},
        {kTenMinutes, TenMinuteClip, Outcome::Converts},
    };
    return cases;
}

std::string MakeCases(const std::string &test_name) {
    const std::string dir = media::ScratchDir(test_name);
    chmod(dir.c_str(), 0755); // the unprivileged user must reach the folder
    for (const BadInput &c : Cases())
        c.make(dir + "/" + c.name);
    return dir;
}

QMap<QString, QByteArray> Snapshot(const QString &dir) {
    QMap<QString, QByteArray> state;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        lstat(QFile::encodeName(path).constData(), &st);
        QByteArray value = QByteArray::number(st.st_mode) + ":" + QByteArray::number(st.st_size);
        QFile f(path);
        if (S_ISREG(st.st_mode) && f.open(QIODevice::ReadOnly))
            value +=
                ":" + QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
        state.insert(path, value);
    }
    return state;
}

void RunAs(const BadInput &c, const std::function<void()> &fn) {
    const bool drop = c.unprivileged && geteuid() == 0;
    if (drop) {
        ASSERT_EQ(seteuid(65534), 0);
    }
    fn();
    if (drop) {
        ASSERT_EQ(seteuid(0), 0);
    }
}

} // namespace hardening
