// The main window's profile list with the real editor: what the list holds and selects, which
// profile the edit button opens, and what the list shows after the editor closes.
#include "EditorSupport.h"
#include "profiles/DeviceTable.h"
#include "profiles/ProfileCatalogue.h"
#include "ui/ProfileChooser.h"

#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>

namespace {

class ProfileListTest : public EditorTest {
protected:
    void Fill(const QByteArray &catalogue, int device = 2) {
        MakeCatalogue(catalogue);
        chooser_ = std::make_unique<ProfileChooser>(&combo_, CataloguePath());
        chooser_->FillProfileCombo(device);
    }
    QStringList Entries() const {
        QStringList entries;
        for (int i = 0; i < combo_.count(); ++i)
            entries << combo_.itemText(i);
        return entries;
    }
    // The user picks an entry with the mouse or the keys.
    void Choose(int index) {
        combo_.setCurrentIndex(index);
        emit combo_.activated(index);
    }

    QComboBox combo_;
    std::unique_ptr<ProfileChooser> chooser_;
};

TEST_F(ProfileListTest, DefaultIndexCountsTheLastEntry) {
    Fill(FourProfiles("DefaultIndex=4\n"));
    ASSERT_EQ(combo_.count(), 5);
    EXPECT_EQ(combo_.itemText(1).left(6), "One : ");
    EXPECT_EQ(combo_.currentIndex(), 4);
    EXPECT_EQ(combo_.currentText(), "Add my profile...");

    Fill(FourProfiles("DefaultIndex=5\n"));
    EXPECT_EQ(combo_.currentIndex(), -1);
    Fill(FourProfiles("DefaultIndex=-1\n"));
    EXPECT_EQ(combo_.currentIndex(), -1);
    Fill(FourProfiles("DefaultIndex=2\n"));
    EXPECT_EQ(combo_.currentText().left(6), "Two : ");

    // No catalogue at all: only the last entry, selected by the default 0.
    Fill("", 3);
    EXPECT_EQ(Entries(), QStringList{"Add my profile..."});
    EXPECT_EQ(combo_.currentIndex(), 0);
}

TEST_F(ProfileListTest, FillingTheListNeverOpensTheEditor) {
    Fill(FourProfiles("DefaultIndex=4\n"));
    WhenEditorShows([] { ProfileWindow->TB_CancelClick(); });
    chooser_->FillProfileCombo(2);
    combo_.setCurrentIndex(4);
    QCoreApplication::processEvents();
    EXPECT_FALSE(EditorWasShown());
}

TEST_F(ProfileListTest, ACatalogueWithGapsEditsTheProfileTheUserChose) {
    const QByteArray gaps =
        "[ipod]\nProfileCount=3\n"
        "Profile0=Zero : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 2 Channels "
        "Stereo\n"
        "Profile2=Two : Video: 320x240, 300 kbps, 25 fps, Audio: 96 kbps, 44.1 khps, 2 Channels "
        "Stereo\n"
        "DefaultIndex=0\nResolutionCount=1\nResolution0=320x240\n"
        "VideoFrameRateCount=1\nVideoFrameRate0=25\nAudioQualityCount=2\nAudioQuality0=96\n"
        "AudioQuality1=128\nAudioFrameRateCount=1\nAudioFrameRate0=44.1\n";
    Fill(gaps);
    ASSERT_EQ(combo_.count(), 3);
    combo_.setCurrentIndex(1);
    WhenEditorShows([] {
        EXPECT_EQ(ProfileWindow->ProfileSlot(), 2);
        EXPECT_EQ(ProfileWindow->Edit_Name->text(), "Two");
        EXPECT_TRUE(ProfileWindow->Edit_Name->isReadOnly());
        ProfileWindow->Edit_VideoBitRate->setText("333");
        ProfileWindow->TB_OkClick();
    });
    chooser_->TB_EditClick();
    EXPECT_TRUE(EditorWasShown());
    const ProfileCatalogue catalogue(CataloguePath());
    EXPECT_EQ(
        catalogue.ReadProfile("ipod", 2),
        "Two : Video: 320x240, 333 kbps, 25 fps, Audio: 96 kbps, 44.1 khps, 2 Channels Stereo");
    EXPECT_EQ(catalogue.ReadProfile("ipod", 1), "NoData");
    // The list is read again and the "DefaultIndex" entry is selected, not the edited one.
    EXPECT_TRUE(combo_.itemText(1).contains("333 kbps"));
    EXPECT_EQ(combo_.currentIndex(), 0);
}

TEST_F(ProfileListTest, TheEditButtonOnTheLastEntryMakesANewProfileAndWithoutSelectionNothing) {
    Fill(FourProfiles("DefaultIndex=4\n"));
    WhenEditorShows([] {
        EXPECT_FALSE(ProfileWindow->Edit_Name->isReadOnly());
        EXPECT_EQ(ProfileWindow->ProfileSlot(), 4);
        ProfileWindow->Edit_Name->setText("Added");
        ProfileWindow->TB_OkClick();
    });
    chooser_->TB_EditClick();
    ASSERT_TRUE(EditorWasShown());
    ASSERT_EQ(combo_.count(), 6);
    EXPECT_TRUE(combo_.itemText(4).startsWith("Added : Video: "));
    EXPECT_EQ(combo_.currentIndex(), 4) << "DefaultIndex after the save";

    const QByteArray before = Catalogue();
    combo_.setCurrentIndex(-1);
    WhenEditorShows([] { ProfileWindow->TB_CancelClick(); });
    chooser_->TB_EditClick();
    QCoreApplication::processEvents();
    EXPECT_FALSE(EditorWasShown());
    EXPECT_EQ(Catalogue(), before);
}

TEST_F(ProfileListTest, AddMyProfileThenCancelSelectsTheLastProfile) {
    Fill(FourProfiles());
    const QByteArray before = Catalogue();
    WhenEditorShows([] {
        EXPECT_EQ(ProfileWindow->ProfileSlot(), 4);
        ProfileWindow->Edit_VideoBitRate->setText("100");
        ProfileWindow->TB_CancelClick();
    });
    Choose(4);
    EXPECT_TRUE(EditorWasShown());
    EXPECT_EQ(combo_.count(), 5);
    EXPECT_EQ(combo_.currentIndex(), 3);
    EXPECT_EQ(Catalogue(), before);

    // With no profile at all the last entry stays selected.
    Fill("[ipod]\nDefaultName=First\n");
    WhenEditorShows([] { ProfileWindow->TB_CancelClick(); });
    Choose(0);
    EXPECT_TRUE(EditorWasShown());
    EXPECT_EQ(combo_.currentIndex(), 0);
}

TEST_F(ProfileListTest, AddMyProfileThenOkSelectsTheNewProfile) {
    Fill(FourProfiles());
    WhenEditorShows([] {
        ProfileWindow->Edit_Name->setText("Fifth");
        ProfileWindow->TB_OkClick();
    });
    Choose(4);
    ASSERT_EQ(combo_.count(), 6);
    EXPECT_EQ(combo_.currentIndex(), 4);
    EXPECT_TRUE(combo_.currentText().startsWith("Fifth : Video: 320x240, 640 kbps, 25 fps"));
    // Any other entry the user picks opens nothing.
    WhenEditorShows([] { ProfileWindow->TB_CancelClick(); });
    Choose(1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(EditorWasShown());
}

TEST(Devices, EachDeviceListsItsOwnShippedProfilesAndPicture) {
    const QString shipped = QStringLiteral(MAVO_BIN_DIR "/Output.dll");
    QComboBox combo;
    ProfileChooser chooser(&combo, shipped);
    QList<QImage> pictures;
    for (int device = 0; device < kDeviceCount; ++device) {
        const QString section = ProfileCatalogue::SectionForDevice(device);
        SCOPED_TRACE(section.toStdString());
        chooser.FillProfileCombo(device);
        QStringList expected = ProfileCatalogue(shipped).ReadProfileList(section).Texts();
        ASSERT_FALSE(expected.isEmpty());
        expected << "Add my profile...";
        QStringList entries;
        for (int i = 0; i < combo.count(); ++i)
            entries << combo.itemText(i);
        EXPECT_EQ(entries, expected);
        EXPECT_GE(combo.currentIndex(), 0);

        const std::optional<DeviceRow> row = DeviceRowFor(device);
        ASSERT_TRUE(row.has_value());
        const QImage picture(QStringLiteral(MAVO_BIN_DIR "/Skin/") + row->Picture);
        EXPECT_FALSE(picture.isNull()) << row->Picture.toStdString();
        for (const QImage &other : pictures)
            EXPECT_NE(picture, other) << "every device has a picture of its own";
        pictures << picture;
    }
    EXPECT_FALSE(DeviceRowFor(kDeviceCount).has_value());
    EXPECT_FALSE(DeviceRowFor(-1).has_value());
}

} // namespace
