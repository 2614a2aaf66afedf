#include "profiles/IniFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString PathOf(const QString &name) const { return dir_.filePath(name); }
    QString Make(const QByteArray &bytes, const QString &name = QStringLiteral("test.ini")) {
        const QString path = PathOf(name);
        WriteBytes(path, bytes);
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(IniFileTest, NamesCompareWithoutRegardToCase) {
    const IniFile ini(Make("[IPod]\nProfileCOUNT=3\nDefaultName=Mine\n"));
    EXPECT_EQ(ini.ReadInteger("ipod", "profilecount", 0), 3);
    EXPECT_EQ(ini.ReadInteger("IPOD", "ProfileCount", 0), 3);
    EXPECT_EQ(ini.ReadString("iPod", "DEFAULTNAME", "x"), "Mine");
    EXPECT_EQ(ini.ReadString("ipo", "DefaultName", "x"), "x");
}

TEST_F(IniFileTest, ValuesComeBackWithoutSurroundingBlanks) {
    const IniFile ini(Make("[s]\n  a =  \t value with  inner  blanks \t\r\n"
                           "b=\x01\x02 ctl \x1f\n"
                           "c=   \n"));
    EXPECT_EQ(ini.ReadString("s", "a", "-"), "value with  inner  blanks");
    EXPECT_EQ(ini.ReadString("s", "b", "-"), "ctl");
    // A key with an empty value is present: its value is the empty text, not the default.
    EXPECT_EQ(ini.ReadString("s", "c", "-"), "");
    EXPECT_TRUE(ini.HasKey("s", "c"));
}

TEST_F(IniFileTest, AbsentKeysSectionsAndFilesGiveTheDefault) {
    const IniFile ini(Make("[s]\nk=v\n; x=commented\nnot a key line\n"));
    EXPECT_EQ(ini.ReadString("s", "missing", "NoData"), "NoData");
    EXPECT_EQ(ini.ReadString("other", "k", "NoData"), "NoData");
    EXPECT_EQ(ini.ReadString("s", "x", "NoData"), "NoData");
    EXPECT_EQ(ini.ReadString("s", "not a key line", "NoData"), "NoData");
    EXPECT_FALSE(ini.HasKey("s", "missing"));

    const IniFile none(PathOf("does-not-exist.ini"));
    EXPECT_EQ(none.ReadString("s", "k", "NoData"), "NoData");
    EXPECT_EQ(none.ReadInteger("s", "k", 42), 42);
    // A folder in the file's place reads as an empty file.
    const IniFile folder(dir_.path());
    EXPECT_EQ(folder.ReadInteger("s", "k", 7), 7);
}

TEST_F(IniFileTest, IntegerReadsTakeTheLeadingNumberOrTheDefault) {
    const IniFile ini(Make("[n]\nplain=12\nsigned=-3\nblanks=  7  \nprefix=12abc\n"
                           "letters=abc\nempty=\nsign=-\nbig=99999999999\nsmall=-99999999999\n"
                           "fraction=3.9\n"));
    EXPECT_EQ(ini.ReadInteger("n", "plain", -1), 12);
    EXPECT_EQ(ini.ReadInteger("n", "signed", -1), -3);
    EXPECT_EQ(ini.ReadInteger("n", "blanks", -1), 7);
    EXPECT_EQ(ini.ReadInteger("n", "prefix", -1), 12);
    EXPECT_EQ(ini.ReadInteger("n", "fraction", -1), 3);
    EXPECT_EQ(ini.ReadInteger("n", "letters", -1), -1);
    EXPECT_EQ(ini.ReadInteger("n", "empty", -1), -1);
    EXPECT_EQ(ini.ReadInteger("n", "sign", -1), -1);
    EXPECT_EQ(ini.ReadInteger("n", "absent", -1), -1);
    EXPECT_EQ(ini.ReadInteger("n", "big", -1), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ini.ReadInteger("n", "small", -1), std::numeric_limits<int32_t>::min());
}

TEST_F(IniFileTest, TheFirstOfRepeatedKeysCountsAndRepeatedSectionsJoin) {
    const IniFile ini(Make("top=1\n[a]\nk=first\nk=second\n[b]\nk=b\n[A]\nk=third\nonly=late\n"));
    EXPECT_EQ(ini.ReadString("a", "k", "-"), "first");
    EXPECT_EQ(ini.ReadString("a", "only", "-"), "late");
    // Lines before the first header belong to the section with the empty name.
    EXPECT_EQ(ini.ReadString("", "top", "-"), "1");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKeyAndReachesTheDiskAtOnce) {
    const QString path = PathOf("new.ini");
    IniFile ini(path);
    ini.WriteString("ipod", "Profile0", "My Player : Video: 320x240");
    // On disk before the object goes away, and nothing else beside it.
    EXPECT_EQ(ReadBytes(path), QByteArray("[ipod]\nProfile0=My Player : Video: 320x240\n"));
    ini.WriteInteger("ipod", "ProfileCount", 1);
    EXPECT_EQ(ReadBytes(path),
              QByteArray("[ipod]\nProfile0=My Player : Video: 320x240\nProfileCount=1\n"));
    // The same batch sees its own writes.
    EXPECT_EQ(ini.ReadInteger("ipod", "ProfileCount", 0), 1);
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"new.ini"});
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLine) {
    const QByteArray before = "; catalogue header comment\n"
                              "\n"
                              "[3gp]\n"
                              "ProfileCount=1\n"
                              "Profile0=Phone\n"
                              "\n"
                              "; the iPod section\n"
                              "[ipod]\n"
                              "  ProfileCount = 2   \n"
                              "something without an equals sign\n"
                              "Profile0=A\n"
                              "# hash comment\n"
                              "Profile1=B\n"
                              "\n"
                              "; before pda\n"
                              "[pda]\n"
                              "DefaultName=P\n";
    const QString path = Make(before);
    {
        IniFile ini(path);
        ini.WriteString("IPOD", "profile1", "Changed");
        ini.WriteString("ipod", "ProfileCount", "3");
    }
    QByteArray expected = before;
    expected.replace("Profile1=B\n", "Profile1=Changed\n");
    expected.replace("  ProfileCount = 2   \n", "  ProfileCount = 3\n");
    EXPECT_EQ(ReadBytes(path), expected);

    // A new key goes after the last key of its section, before the next section's comment.
    IniFile(path).WriteString("ipod", "Profile2", "C");
    expected.replace("Profile1=Changed\n", "Profile1=Changed\nProfile2=C\n");
    EXPECT_EQ(ReadBytes(path), expected);

    // A new section goes to the end, after a blank line.
    IniFile(path).WriteString("mp4", "ProfileCount", "0");
    expected += "\n[mp4]\nProfileCount=0\n";
    EXPECT_EQ(ReadBytes(path), expected);

    const IniFile check(path);
    EXPECT_EQ(check.ReadString("ipod", "Profile0", "-"), "A");
    EXPECT_EQ(check.ReadString("ipod", "Profile1", "-"), "Changed");
    EXPECT_EQ(check.ReadString("ipod", "Profile2", "-"), "C");
    EXPECT_EQ(check.ReadString("pda", "DefaultName", "-"), "P");
    EXPECT_EQ(check.ReadString("3gp", "Profile0", "-"), "Phone");
}

TEST_F(IniFileTest, WriteChangesTheKeyTheReaderReads) {
    // The reader takes the first of repeated keys, also across repeated sections; the writer
    // must change that one, or the write would not be seen.
    const QString path = Make("[a]\nx=1\n[b]\nk=b\n[A]\nk=first\nk=second\n");
    IniFile(path).WriteString("a", "k", "new");
    EXPECT_EQ(ReadBytes(path), QByteArray("[a]\nx=1\n[b]\nk=b\n[A]\nk=new\nk=second\n"));
    EXPECT_EQ(IniFile(path).ReadString("a", "k", "-"), "new");
}

TEST_F(IniFileTest, WriteFollowsTheFileLineBreaksAndEnd) {
    const QString crlf = Make("[a]\r\nk=1\r\n", "crlf.ini");
    IniFile(crlf).WriteString("a", "j", "2");
    IniFile(crlf).WriteString("b", "k", "3");
    EXPECT_EQ(ReadBytes(crlf), QByteArray("[a]\r\nk=1\r\nj=2\r\n\r\n[b]\r\nk=3\r\n"));

    const QString unterminated = Make("[a]\nk=1", "open.ini");
    IniFile(unterminated).WriteString("a", "j", "2");
    EXPECT_EQ(ReadBytes(unterminated), QByteArray("[a]\nk=1\nj=2\n"));

    // The byte-order mark stays first; a key of the unnamed section goes after it.
    const QString bom = Make("\xEF\xBB\xBF[a]\nk=1\n", "bom.ini");
    EXPECT_EQ(IniFile(bom).ReadString("a", "k", "-"), "1");
    IniFile(bom).WriteString("", "top", "t");
    EXPECT_EQ(ReadBytes(bom), QByteArray("\xEF\xBB\xBFtop=t\n[a]\nk=1\n"));
    EXPECT_EQ(IniFile(bom).ReadString("", "top", "-"), "t");
}

TEST_F(IniFileTest, ReaderAndWriterAgreeOnOddLines) {
    // A lone "[" does not open a section whose name is on a later line.
    const QString bracket = Make("[\n  ipod]\nk=1\n", "bracket.ini");
    EXPECT_EQ(IniFile(bracket).ReadString("ipod", "k", "-"), "-");
    EXPECT_EQ(IniFile(bracket).ReadString("", "k", "-"), "1");
    IniFile(bracket).WriteString("", "k", "2");
    EXPECT_EQ(ReadBytes(bracket), QByteArray("[\n  ipod]\nk=2\n"));
    EXPECT_EQ(IniFile(bracket).ReadString("", "k", "-"), "2");

    // A NUL byte does not end the file: it reads as a blank and is kept.
    const QString nul = Make(QByteArray("[s]\n\0k=1\nj=0\n", 13), "nul.ini");
    EXPECT_EQ(IniFile(nul).ReadString("s", "k", "-"), "1");
    EXPECT_EQ(IniFile(nul).ReadString("s", "j", "-"), "0");
    IniFile(nul).WriteString("s", "k", "2");
    EXPECT_EQ(ReadBytes(nul), QByteArray("[s]\n\0k=2\nj=0\n", 13));
    EXPECT_EQ(IniFile(nul).ReadString("s", "k", "-"), "2");
}

TEST_F(IniFileTest, LineBreaksInAValueCannotAddLines) {
    const QString path = Make("[a]\nk=1\n");
    IniFile(path).WriteString("a", "k", "one\ntwo\r\n[evil]\nx=1");
    EXPECT_EQ(ReadBytes(path), QByteArray("[a]\nk=one two  [evil] x=1\n"));
    EXPECT_EQ(IniFile(path).ReadString("evil", "x", "-"), "-");
}

TEST_F(IniFileTest, NamesThatCannotBeWrittenAreRefused) {
    const QString path = PathOf("names.ini");
    IniFile ini(path);
    EXPECT_THROW(ini.WriteString("a]b", "k", "v"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("a", "k=j", "v"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("a", "", "v"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("a", ";k", "v"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("a\n", "k", "v"), std::invalid_argument);
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(IniFileTest, TextsAreUtf8) {
    const QString path = PathOf("utf8.ini");
    const QString name = QStringLiteral("M\u00f6n Pr\u00f3fil \u65e5\u672c");
    IniFile(path).WriteString("Sekti\u00f6n", "Name", name);
    EXPECT_EQ(ReadBytes(path), QByteArray("[Sekti\xC3\xB6n]\nName=") + name.toUtf8() + "\n");
    EXPECT_EQ(IniFile(path).ReadString("Sekti\u00f6n", "name", "-"), name);
    // A value that begins with U+FEFF keeps it: only the file's own mark is not text.
    const QString marked = QStringLiteral("\ufeffx");
    IniFile(path).WriteString("Sekti\u00f6n", "Marked", marked);
    EXPECT_EQ(IniFile(path).ReadString("Sekti\u00f6n", "Marked", "-"), marked);
}

TEST_F(IniFileTest, WritesOfOneBatchKeepChangesMadeMeanwhile) {
    const QString path = Make("[a]\nk=1\n");
    IniFile first(path);
    IniFile(path).WriteString("a", "other", "2");
    first.WriteString("a", "k", "3");
    const IniFile check(path);
    EXPECT_EQ(check.ReadString("a", "k", "-"), "3");
    EXPECT_EQ(check.ReadString("a", "other", "-"), "2");
}

TEST_F(IniFileTest, AFailedWriteRaisesTheErrorTextWithThePath) {
    // Tests may run as root, for whom no folder is read-only: a path below a regular file can
    // never be written by anyone.
    const QString blocker = Make("not a folder", "blocker");
    const QString path = blocker + "/Output.dll";
    IniFile ini(path);
    try {
        ini.WriteString("ipod", "Profile0", "x");
        FAIL() << "no error raised";
    } catch (const IniWriteError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path.toStdString());
        EXPECT_EQ(error.Path(), path);
    }
    EXPECT_EQ(ReadBytes(blocker), QByteArray("not a folder"));

    // A folder in the file's place is not replaced.
    EXPECT_THROW(IniFile(dir_.path()).WriteString("a", "k", "v"), IniWriteError);
    EXPECT_TRUE(QFileInfo(dir_.path()).isDir());
}

} // namespace
