// The profile editor window on a catalogue of the test's own: what it shows for a new and for a
// stored profile, the bit rate's limits, and what OK, Cancel and Close leave in the catalogue.
#include "EditorSupport.h"
#include "common/MessagePort.h"
#include "controls/ImageButton.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileEditor.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

class ProfileEditorTest : public EditorTest {
protected:
    QString Stored(int slot) const {
        return ProfileCatalogue(CataloguePath()).ReadProfile("ipod", slot);
    }
    int Count() const { return IniFile(CataloguePath()).ReadInteger("ipod", "ProfileCount", -1); }
};

TEST_F(ProfileEditorTest, ANewProfileGoesToTheNextFreeSlotAndRaisesTheCount) {
    MakeCatalogue(FourProfiles());
    TProfileWindow &w = *ProfileWindow;
    w.OpenForNew(2);
    EXPECT_EQ(w.SectionName(), "ipod");
    EXPECT_EQ(w.ProfileSlot(), 4);
    EXPECT_FALSE(w.Edit_Name->isReadOnly());
    EXPECT_EQ(w.Edit_Name->text(), "My Profile");
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "640");
    EXPECT_EQ(w.UpDown->value(), 640);
    EXPECT_EQ(w.ComboBox_VideoResolution->currentText(), "320x240");
    EXPECT_EQ(w.ComboBox_VideoFramerate->currentText(), "25");
    EXPECT_EQ(w.ComboBox_AudioBitRate->currentText(), "128");
    EXPECT_EQ(w.ComboBox_AudioFrameRate->currentText(), "44.1");
    EXPECT_EQ(w.ComboBox_AudioChannel->currentText(), "2 Channels Stereo");
    EXPECT_FALSE(w.Saved());

    w.Edit_Name->setText("  Mine ");
    w.ComboBox_VideoResolution->setCurrentIndex(1);
    w.ComboBox_AudioChannel->setCurrentIndex(0);
    w.show();
    w.TB_OkClick();
    EXPECT_TRUE(w.Saved());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(
        Stored(4),
        "Mine : Video: 640x480, 640 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 1 Channel Mono");
    EXPECT_EQ(Count(), 5);
}

TEST_F(ProfileEditorTest, ChangingAStoredProfileKeepsItsSlotCountAndName) {
    MakeCatalogue(FourProfiles());
    const QString zero = Stored(0), two = Stored(2);
    TProfileWindow &w = *ProfileWindow;
    w.OpenForNew(2);
    w.OpenForEdit(1);
    EXPECT_EQ(w.ProfileSlot(), 1);
    EXPECT_TRUE(w.Edit_Name->isReadOnly());
    EXPECT_EQ(w.Edit_Name->text(), "One");
    EXPECT_EQ(w.ComboBox_VideoResolution->currentText(), "640x480");
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "1500");
    EXPECT_EQ(w.UpDown->value(), 1500);
    EXPECT_EQ(w.ComboBox_VideoFramerate->currentText(), "29.97");
    EXPECT_EQ(w.ComboBox_AudioBitRate->currentText(), "96");
    EXPECT_EQ(w.ComboBox_AudioFrameRate->currentText(), "22.05");
    EXPECT_EQ(w.ComboBox_AudioChannel->currentText(), "1 Channel Mono");

    w.Edit_VideoBitRate->setText("900");
    w.TB_OkClick();
    EXPECT_TRUE(w.Saved());
    EXPECT_EQ(Stored(1), "One : Video: 640x480, 900 kbps, 29.97 fps, Audio: 96 kbps, 22.05 khps, "
                         "1 Channel Mono");
    EXPECT_EQ(Count(), 4);
    EXPECT_EQ(Stored(0), zero);
    EXPECT_EQ(Stored(2), two);

    // A stored name longer than what can be typed is kept whole.
    const QString name = "A rather long profile name";
    ProfileCatalogue(CataloguePath())
        .StoreProfile("ipod", 3,
                      name + " : Video: 320x240, 400 kbps, 25 fps, Audio: 96 kbps, "
                             "44.1 khps, 2 Channels Stereo");
    w.OpenForNew(2);
    w.OpenForEdit(3);
    w.TB_OkClick();
    EXPECT_TRUE(Stored(3).startsWith(name + " : Video: "));
}

TEST_F(ProfileEditorTest, TheBitRateStaysAWholeNumberFromOneTo2500) {
    MakeCatalogue(FourProfiles());
    TProfileWindow &w = *ProfileWindow;
    w.OpenForNew(2);
    const std::pair<const char *, const char *> typed[] = {
        {"0", "1"},   {"3000", "2500"}, {"", "1"},        {"abc", "1"},
        {"-40", "1"}, {"12k", "12"},    {"2500", "2500"}, {"99999999999", "2500"}};
    for (const auto &[text, shown] : typed) {
        w.Edit_VideoBitRate->setText(text);
        EXPECT_EQ(w.Edit_VideoBitRate->text(), shown) << text;
        EXPECT_EQ(w.UpDown->value(), QString(shown).toInt()) << text;
    }
    // The arrows move the number by one and stop at the ends.
    w.UpDown->stepUp();
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "2500");
    w.UpDown->stepDown();
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "2499");
    w.Edit_VideoBitRate->setText("1");
    w.UpDown->stepDown();
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "1");
    w.UpDown->stepUp();
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "2");

    // A proposed bit rate beyond the limit shows the limit.
    MakeCatalogue(FourProfiles().replace("DefaultBitRate=640", "DefaultBitRate=5000"));
    ProfileWindow->OpenForNew(2);
    EXPECT_EQ(ProfileWindow->Edit_VideoBitRate->text(), "2500");
    EXPECT_EQ(ProfileWindow->UpDown->value(), 2500);
}

TEST_F(ProfileEditorTest, RatesWithCapitalLettersAreNeverSelectedFromAStoredProfile) {
    MakeCatalogue(
        "[ipod]\nProfileCount=1\n"
        "Profile0=Caps : Video: 320X240, 500 kbps, 30 NTSC fps, Audio: 64 kbps, 48K khps, 1 "
        "Channel Mono\n"
        "ResolutionCount=2\nResolution0=176x144\nResolution1=320X240\nResolutionIndex=0\n"
        "VideoFrameRateCount=2\nVideoFrameRate0=25\nVideoFrameRate1=30 NTSC\n"
        "VideoFrameRateIndex=0\n"
        "AudioQualityCount=2\nAudioQuality0=32\nAudioQuality1=64\nAudioQualityIndex=0\n"
        "AudioFrameRateCount=2\nAudioFrameRate0=22.05\nAudioFrameRate1=48K\n"
        "AudioFrameRateIndex=0\n");
    TProfileWindow &w = *ProfileWindow;
    w.OpenForNew(2);
    w.OpenForEdit(0);
    // Resolution and audio bit rate are looked for as stored.
    EXPECT_EQ(w.ComboBox_VideoResolution->currentText(), "320X240");
    EXPECT_EQ(w.ComboBox_AudioBitRate->currentText(), "64");
    // Frame rate and sampling frequency are lower-cased first: the presets stay.
    EXPECT_EQ(w.ComboBox_VideoFramerate->currentText(), "25");
    EXPECT_EQ(w.ComboBox_AudioFrameRate->currentText(), "22.05");
    EXPECT_EQ(w.ComboBox_AudioChannel->currentIndex(), 0);
}

TEST_F(ProfileEditorTest, AReadOnlyCatalogueReportsTheErrorAndKeepsTheWindowOpen) {
    MakeCatalogue(FourProfiles());
    const QByteArray before = Catalogue();
    ASSERT_TRUE(QFile::setPermissions(CataloguePath(), QFile::ReadOwner | QFile::ReadGroup));
    QStringList reported;
    SetEventErrorReporter([&](const QString &what) { reported << what; });

    TProfileWindow &w = *ProfileWindow;
    w.OpenForNew(2);
    w.show();
    // Through the button, as the user presses it.
    emit w.TB_Ok->Click();
    SetEventErrorReporter(nullptr);
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0], "Unable to write to " + CataloguePath());
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Saved());
    EXPECT_EQ(Catalogue(), before);
    w.hide();
}

TEST_F(ProfileEditorTest, CancelAndCloseLeaveTheCatalogueUntouched) {
    MakeCatalogue(FourProfiles());
    const QByteArray before = Catalogue();
    TProfileWindow &w = *ProfileWindow;
    for (TDynamicImageButton *button : {w.TB_Cancel, w.TB_Close}) {
        w.OpenForNew(2);
        w.OpenForEdit(0);
        w.Edit_VideoBitRate->setText("100");
        w.ComboBox_AudioChannel->setCurrentIndex(0);
        w.show();
        emit button->Click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_FALSE(w.Saved());
        EXPECT_EQ(Catalogue(), before);
    }
}

TEST_F(ProfileEditorTest, WithoutACatalogueTheDefaultsShowAndOkCreatesTheFile) {
    MakeCatalogue({});
    QFile::remove(CataloguePath());
    TProfileWindow &w = *ProfileWindow;
    w.OpenForNew(0);
    EXPECT_EQ(w.SectionName(), "3gp");
    EXPECT_EQ(w.Edit_Name->text(), "DefaultName");
    EXPECT_EQ(w.Edit_VideoBitRate->text(), "200");
    EXPECT_EQ(w.ComboBox_VideoResolution->count(), 0);
    EXPECT_EQ(w.ProfileSlot(), 0);
    // A device outside the table keeps the section used last.
    w.OpenForNew(9);
    EXPECT_EQ(w.SectionName(), "3gp");
    w.TB_OkClick();
    EXPECT_TRUE(w.Saved());
    EXPECT_EQ(ProfileCatalogue(CataloguePath()).ReadProfile("3gp", 0),
              "DefaultName : Video: , 200 kbps,  fps, Audio:  kbps,  khps, 2 Channels Stereo");
}

} // namespace

namespace {

// OK on a profile its device cannot play stores nothing and says why; within the device's limits
// it is stored, up to the device's own highest bit rate.
TEST(ProfileEditorLimits, AProfileTheDeviceCannotPlayIsRefusedWithTheReason) {
    QTemporaryDir dir;
    const QString catalogue = dir.filePath("Output.dll");
    ASSERT_TRUE(QFile::copy(QStringLiteral(MAVO_BIN_DIR "/Output.dll"), catalogue));
    QFile::setPermissions(catalogue, QFile::ReadOwner | QFile::WriteOwner);
    ProfileEditor editor(catalogue);

    editor.OpenForNew(1); // PSP
    const QString refused = editor.SaveProfile(
        {"Big PSP", "720x480", "768", "29.97", "128", "48", "2 Channels Stereo"});
    EXPECT_EQ(refused, "PSP cannot play this profile: the frame 720x480 is larger than 480x272.");
    EXPECT_FALSE(editor.Saved);
    EXPECT_EQ(ProfileCatalogue(catalogue).ReadProfile("psp", editor.ProfileSlot), "NoData");
    editor.OpenForNew(0); // the 3GP phone
    EXPECT_EQ(editor.SaveProfile({"Fast", "176x144", "128", "30", "32", "22.05", "1 Channel Mono"}),
              "3GP phone cannot play this profile: 30 frames a second is more than 15.");

    editor.OpenForNew(5); // Phone / tablet: H.264 up to 20000 kbps
    EXPECT_EQ(editor.MostBitRate(), 20000);
    EXPECT_EQ(ProfileEditor::ClampedBitRate("12000", editor.MostBitRate()), "12000");
    EXPECT_EQ(editor.SaveProfile(
                  {"Big phone", "1920x1080", "12000", "30", "160", "48", "2 Channels Stereo"}),
              "");
    EXPECT_TRUE(editor.Saved);
    // Both of the lists offer 1080p and 60 frames a second; together they need a level the
    // phone does not decode. The TV's H.264 stops at level 4.2, its HEVC goes up to 5.1.
    editor.OpenForNew(5);
    EXPECT_EQ(editor.SaveProfile(
                  {"Fast phone", "1920x1080", "12000", "60", "160", "48", "2 Channels Stereo"}),
              "Phone / tablet cannot play this profile: it needs level 4.2 (at most 4.1).");
    EXPECT_FALSE(editor.Saved);
    editor.OpenForNew(6);
    EXPECT_EQ(
        editor.SaveProfile({"My 4K", "3840x2160", "20000", "30", "192", "48", "2 Channels Stereo"}),
        "TV / computer cannot play this profile: it needs level 5.1 (at most 4.2).");
    EXPECT_EQ(editor.SaveProfile(
                  {"My TV 60", "1920x1080", "40000", "60", "192", "48", "2 Channels Stereo"}),
              "");
}

} // namespace
