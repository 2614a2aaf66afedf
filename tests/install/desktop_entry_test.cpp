// The menu entry's media types against the shared MIME database, the way a file manager decides
// whether to offer the program under "Open with": every clip kind the program reads, made as a
// real file with the ffmpeg command line, must be of a type the entry lists (or a subtype of one).
#include "../encoder/media.h"

#include <QFile>
#include <QMimeDatabase>
#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString EntryValue(const QString &key) {
    QFile entry(QStringLiteral(MAVO_SOURCE_DIR) + "/assets/linux/mavo-converter.desktop");
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    }
    return {};
}

QStringList ListedTypes() {
    return EntryValue("MimeType").split(';', Qt::SkipEmptyParts);
}

// The type of the file or one of the types it inherits from, if the entry lists it.
bool Offered(const QMimeType &type, const QStringList &listed) {
    if (listed.contains(type.name()))
        return true;
    for (const QString &parent : type.allAncestors())
        if (listed.contains(parent))
            return true;
    return false;
}

} // namespace

TEST(DesktopEntry, EveryClipKindIsOfferedByNameAndContent) {
    const QStringList listed = ListedTypes();
    ASSERT_FALSE(listed.isEmpty());
    QMimeDatabase db;
    std::vector<std::string> kinds = media::InputTypes();
    for (const std::string &kind : media::TodayTypes())
        kinds.push_back(kind);
    for (const std::string &kind : kinds) {
        const QString path = QString::fromStdString(media::Fixture(kind));
        ASSERT_TRUE(QFile::exists(path)) << kind;
        const QMimeType type = db.mimeTypeForFile(path);
        EXPECT_TRUE(Offered(type, listed)) << kind << " is " << type.name().toStdString();
    }
}

TEST(DesktopEntry, TheDialogsOwnExtensionsAreOfferedToo) {
    // The file dialog also accepts .divx and .xvid names, upper case included; a file manager
    // knows .divx by its name and reads an .xvid file's AVI header.
    const QStringList listed = ListedTypes();
    const std::string dir = media::ScratchDir("DesktopEntryExtensions");
    QMimeDatabase db;
    for (const auto &[kind, name] : {std::pair{"divx", "clip.divx"},
                                     {"xvid", "clip.xvid"},
                                     {"mpg", "CLIP.MPG"},
                                     {"vob", "CLIP.VOB"}}) {
        const std::string path = dir + "/" + name;
        std::filesystem::copy_file(media::Fixture(kind), path,
                                   std::filesystem::copy_options::overwrite_existing);
        const QMimeType type = db.mimeTypeForFile(QString::fromStdString(path));
        EXPECT_TRUE(Offered(type, listed)) << name << " is " << type.name().toStdString();
    }
}

TEST(DesktopEntry, EveryListedTypeIsKnown) {
    // Names the database does not know (typos, made-up types) would never match a file.
    QMimeDatabase db;
    for (const QString &name : ListedTypes())
        EXPECT_TRUE(db.mimeTypeForName(name).isValid()) << name.toStdString() << " is unknown";
}
