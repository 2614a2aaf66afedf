// The settings that outlive the program, through the real settings store in a folder of the
// test's own, and the output folder that start-up makes sure of.
#include "common/Globals.h"
#include "model/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("HOME", home_.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home_.path());
        // What an earlier run of the program would have left.
        UseOutputFolder("/left/over/");
        SetKeepRatio(true);
    }

    QString StoreFile() const { return home_.path() + "/Vidore4.conf"; }
    static QSettings Store() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vidore4");
    }

    QTemporaryDir home_;
};

TEST_F(SettingsTest, FirstStartUsesTheDefaultsAndWritesThemAtExit) {
    ASSERT_FALSE(QFileInfo::exists(StoreFile()));
    LoadSettings();
    EXPECT_EQ(path_Work, home_.path() + "/MavoOutput/");
    EXPECT_FALSE(b_KeepRatio);
    EXPECT_EQ(StoredDeviceType(), 2);

    SaveSettings();
    ASSERT_TRUE(QFileInfo(StoreFile()).isFile());
    const QSettings store = Store();
    EXPECT_EQ(store.value("OutputFolder").toString(), home_.path() + "/MavoOutput/");
    EXPECT_EQ(store.value("KeepRatio").toString(), "0");
    EXPECT_EQ(store.value("DeviceType").toString(), "2");
}

TEST_F(SettingsTest, StoredValuesComeBackAndChangesAreStored) {
    QDir().mkdir(home_.path() + "/clips");
    {
        QSettings store = Store();
        store.setValue("OutputFolder", home_.path() + "/clips/");
        store.setValue("KeepRatio", 1);
        store.setValue("DeviceType", 4);
    }
    LoadSettings();
    EXPECT_EQ(path_Work, home_.path() + "/clips/");
    EXPECT_TRUE(b_KeepRatio);
    EXPECT_EQ(StoredDeviceType(), 4);

    // The switch, the device and a folder chosen in the progress window change during the run.
    SetKeepRatio(false);
    SetStoredDeviceType(0);
    ChooseOutputFolder(home_.path() + "/phone");
    EXPECT_EQ(path_Work, home_.path() + "/phone/");
    SaveSettings();

    LoadSettings();
    EXPECT_EQ(path_Work, home_.path() + "/phone/");
    EXPECT_FALSE(b_KeepRatio);
    EXPECT_EQ(StoredDeviceType(), 0);
}

TEST_F(SettingsTest, AFolderThatCannotBeCreatedIsReplacedForTheSessionOnly) {
    const QString unreachable = home_.path() + "/no/such/parent/";
    Store().setValue("OutputFolder", unreachable);
    path_Config = home_.path() + "/";
    path_Snapshot = home_.path() + "/Snapshot/";

    LoadSettings();
    EXPECT_EQ(path_Work, unreachable);
    EXPECT_TRUE(EnsureFolders());
    EXPECT_EQ(path_Work, home_.path() + "/MavoOutput/");
    EXPECT_TRUE(QFileInfo(path_Work).isDir());
    EXPECT_FALSE(QFileInfo::exists(home_.path() + "/no"));

    SaveSettings();
    EXPECT_EQ(Store().value("OutputFolder").toString(), unreachable)
        << "the user's choice stays stored";
    EXPECT_EQ(StoredOutputFolder(), unreachable);
}

TEST_F(SettingsTest, UnusableStoredValuesGiveTheDefaults) {
    {
        QSettings store = Store();
        store.setValue("OutputFolder", "");
        store.setValue("KeepRatio", "yes");
        store.setValue("DeviceType", 8);
    }
    LoadSettings();
    EXPECT_EQ(path_Work, home_.path() + "/MavoOutput/") << "an empty folder is the default one";
    EXPECT_FALSE(b_KeepRatio);
    EXPECT_EQ(StoredDeviceType(), 2);

    Store().setValue("DeviceType", "psp");
    Store().setValue("KeepRatio", -3);
    LoadSettings();
    EXPECT_EQ(StoredDeviceType(), 2);
    EXPECT_TRUE(b_KeepRatio) << "any value but 0 is on";

    // Devices outside the table are never stored.
    SetStoredDeviceType(-1);
    SetStoredDeviceType(8);
    SaveSettings();
    EXPECT_EQ(Store().value("DeviceType").toString(), "2");
}

} // namespace
