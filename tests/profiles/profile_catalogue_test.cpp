#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"

#include "TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The example section of the catalogue format.
const QByteArray kExampleSection =
    "[ipod]\n"
    "ProfileCount=1\n"
    "Profile0=My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 2 "
    "Channels Stereo\n"
    "DefaultIndex=0\n"
    "ResolutionCount=2\n"
    "Resolution0=320x240\n"
    "Resolution1=640x480\n"
    "ResolutionIndex=0\n"
    "VideoFrameRateCount=2\n"
    "VideoFrameRate0=25\n"
    "VideoFrameRate1=29.97\n"
    "VideoFrameRateIndex=0\n"
    "AudioQualityCount=2\n"
    "AudioQuality0=96\n"
    "AudioQuality1=128\n"
    "AudioQualityIndex=1\n"
    "AudioFrameRateCount=2\n"
    "AudioFrameRate0=22.05\n"
    "AudioFrameRate1=44.1\n"
    "AudioFrameRateIndex=1\n"
    "DefaultName=My Profile\n"
    "DefaultBitRate=768\n";

class CatalogueTest : public ::testing::Test {
protected:
    ProfileCatalogue Make(const QByteArray &bytes) {
        WriteBytes(path_, bytes);
        return ProfileCatalogue(path_);
    }
    QTemporaryDir dir_;
    QString path_ = dir_.filePath("Output.dll");
};

QList<int32_t> SlotsOf(const ProfileList &list) {
    QList<int32_t> found;
    for (const ProfileEntry &e : list.Profiles)
        found.append(e.Slot);
    return found;
}

TEST(SectionForDevice, MapsTheEightDevicesAndNothingElse) {
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(0), "3gp");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(1), "psp");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(2), "ipod");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(3), "pda");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(4), "mp4");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(5), "phone");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(6), "tv");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(7), "share");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(-1), "");
    EXPECT_EQ(ProfileCatalogue::SectionForDevice(8), "");
}

TEST_F(CatalogueTest, ReadsTheExampleSection) {
    const ProfileCatalogue catalogue = Make(kExampleSection);
    const ProfileList list = catalogue.ReadProfileList("IPOD");
    ASSERT_EQ(list.Profiles.size(), 1);
    EXPECT_EQ(list.Profiles[0].Text, "My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 "
                                     "kbps, 44.1 khps, 2 Channels Stereo");
    EXPECT_EQ(list.Profiles[0].Slot, 0);
    EXPECT_EQ(list.DefaultIndex, 0);

    const ChoiceList sizes = catalogue.ReadChoiceList("ipod", "Resolution");
    EXPECT_EQ(sizes.Items, QStringList({"320x240", "640x480"}));
    EXPECT_EQ(sizes.PresetIndex, 0);
    const ChoiceList rates = catalogue.ReadChoiceList("ipod", "VideoFrameRate");
    EXPECT_EQ(rates.Items, QStringList({"25", "29.97"}));
    const ChoiceList quality = catalogue.ReadChoiceList("ipod", "AudioQuality");
    EXPECT_EQ(quality.Items, QStringList({"96", "128"}));
    EXPECT_EQ(quality.PresetIndex, 1);
    const ChoiceList frequencies = catalogue.ReadChoiceList("ipod", "AudioFrameRate");
    EXPECT_EQ(frequencies.Items, QStringList({"22.05", "44.1"}));
    EXPECT_EQ(frequencies.PresetIndex, 1);

    const NewProfileDefaults defaults = catalogue.ReadNewProfileDefaults("ipod");
    EXPECT_EQ(defaults.Name, "My Profile");
    EXPECT_EQ(defaults.VideoBitRate, "768");
    EXPECT_EQ(defaults.NextSlot, 1);
}

TEST_F(CatalogueTest, AMissingFileIsAnEmptyCatalogue) {
    const ProfileCatalogue catalogue(dir_.filePath("none/Output.dll"));
    const ProfileList list = catalogue.ReadProfileList("ipod");
    EXPECT_TRUE(list.Profiles.isEmpty());
    EXPECT_EQ(list.DefaultIndex, 0);
    const ChoiceList sizes = catalogue.ReadChoiceList("ipod", "Resolution");
    EXPECT_TRUE(sizes.Items.isEmpty());
    EXPECT_EQ(sizes.PresetIndex, 0);
    const NewProfileDefaults defaults = catalogue.ReadNewProfileDefaults("ipod");
    EXPECT_EQ(defaults.Name, "DefaultName");
    EXPECT_EQ(defaults.VideoBitRate, "200");
    EXPECT_EQ(defaults.NextSlot, 0);
    EXPECT_EQ(catalogue.ReadProfile("ipod", 0), kNoDataMarker);
}

TEST_F(CatalogueTest, ListsSkipAbsentAndNoDataSlotsAndKeepTheirSlots) {
    const ProfileCatalogue catalogue = Make("[psp]\n"
                                            "ProfileCount=5\n"
                                            "Profile0=zero\n"
                                            "Profile1=NoData\n"
                                            "Profile3=  three  \n"
                                            "Profile4=  NoData \n"
                                            "Profile5=beyond the count\n"
                                            "DefaultIndex=1\n"
                                            "ResolutionCount=4\n"
                                            "Resolution0=NoData\n"
                                            "Resolution2=176x144\n"
                                            "Resolution3=128x96\n"
                                            "ResolutionIndex=-1\n");
    const ProfileList list = catalogue.ReadProfileList("psp");
    EXPECT_EQ(list.Texts(), QStringList({"zero", "three"}));
    EXPECT_EQ(SlotsOf(list), QList<int32_t>({0, 3}));
    EXPECT_EQ(list.DefaultIndex, 1);
    const ChoiceList sizes = catalogue.ReadChoiceList("psp", "Resolution");
    EXPECT_EQ(sizes.Items, QStringList({"176x144", "128x96"}));
    EXPECT_EQ(sizes.PresetIndex, -1);
}

TEST_F(CatalogueTest, CountsAreCappedAndMalformedCountsAreZero) {
    QByteArray bytes = "[a]\nProfileCount=99999999999999\nProfile0=first\nProfile9999=last\n"
                       "Profile10000=over\n"
                       "[b]\nProfileCount=-5\nProfile0=x\n"
                       "[c]\nProfileCount=many\nProfile0=x\nResolutionCount=2k\n"
                       "Resolution0=1\nResolution1=2\nResolution2=3\n";
    const ProfileCatalogue catalogue = Make(bytes);
    const ProfileList a = catalogue.ReadProfileList("a");
    EXPECT_EQ(a.Texts(), QStringList({"first", "last"}));
    EXPECT_EQ(SlotsOf(a), QList<int32_t>({0, 9999}));
    EXPECT_EQ(catalogue.ReadNewProfileDefaults("a").NextSlot, kMaxCatalogueSlots);
    EXPECT_TRUE(catalogue.ReadProfileList("b").Profiles.isEmpty());
    EXPECT_EQ(catalogue.ReadNewProfileDefaults("b").NextSlot, 0);
    EXPECT_TRUE(catalogue.ReadProfileList("c").Profiles.isEmpty());
    EXPECT_EQ(catalogue.ReadChoiceList("c", "Resolution").Items, QStringList({"1", "2"}));
}

TEST_F(CatalogueTest, ReadProfileGivesNoDataForAbsentSlots) {
    const ProfileCatalogue catalogue = Make("[mp4]\nProfileCount=1\nProfile0=one\n");
    EXPECT_EQ(catalogue.ReadProfile("MP4", 0), "one");
    EXPECT_EQ(catalogue.ReadProfile("mp4", 1), kNoDataMarker);
    EXPECT_EQ(catalogue.ReadProfile("mp4", -1), kNoDataMarker);
    EXPECT_EQ(catalogue.ReadProfile("pda", 0), kNoDataMarker);
}

TEST_F(CatalogueTest, StoringIntoTheNextSlotRaisesTheCount) {
    const ProfileCatalogue catalogue = Make(kExampleSection);
    catalogue.StoreProfile("ipod", 1, "Second : Video: 640x480");
    // Seen by the next read at once: nothing is cached.
    const ProfileList list = catalogue.ReadProfileList("ipod");
    EXPECT_EQ(list.Profiles.size(), 2);
    EXPECT_EQ(list.Profiles[1].Text, "Second : Video: 640x480");
    EXPECT_EQ(IniFile(path_).ReadInteger("ipod", "ProfileCount", 0), 2);
    EXPECT_EQ(catalogue.ReadNewProfileDefaults("ipod").NextSlot, 2);
}

TEST_F(CatalogueTest, StoringIntoALowerSlotReplacesAndKeepsTheCount) {
    const ProfileCatalogue catalogue =
        Make("[ipod]\nProfileCount=3\nProfile0=a\nProfile1=b\nProfile2=c\n");
    catalogue.StoreProfile("ipod", 1, "B");
    EXPECT_EQ(catalogue.ReadProfileList("ipod").Texts(), QStringList({"a", "B", "c"}));
    EXPECT_EQ(ReadBytes(path_), QByteArray("[ipod]\nProfileCount=3\nProfile0=a\nProfile1=B\n"
                                           "Profile2=c\n"));
}

TEST_F(CatalogueTest, StoringIntoAMissingFileCreatesIt) {
    const ProfileCatalogue catalogue(path_);
    catalogue.StoreProfile("3gp", 0, "Phone");
    EXPECT_EQ(ReadBytes(path_), QByteArray("[3gp]\nProfile0=Phone\nProfileCount=1\n"));
    EXPECT_EQ(catalogue.ReadProfileList("3gp").Texts(), QStringList({"Phone"}));
}

TEST_F(CatalogueTest, EditingAListEntryOfACatalogueWithGapsAddressesItsSlot) {
    // Count 3, slots 0 and 2 present: the list shows two profiles, and the second entry is
    // slot 2, not slot 1.
    const ProfileCatalogue catalogue =
        Make("[ipod]\nProfileCount=3\nProfile0=first\nProfile2=second\n");
    const ProfileList list = catalogue.ReadProfileList("ipod");
    ASSERT_EQ(list.Profiles.size(), 2);
    const ProfileEntry chosen = list.Profiles[1];
    EXPECT_EQ(chosen.Slot, 2);
    EXPECT_EQ(catalogue.ReadProfile("ipod", chosen.Slot), "second");
    catalogue.StoreProfile("ipod", chosen.Slot, "second, edited");
    EXPECT_EQ(catalogue.ReadProfileList("ipod").Texts(), QStringList({"first", "second, edited"}));
    EXPECT_EQ(catalogue.ReadProfile("ipod", 1), kNoDataMarker);
    EXPECT_EQ(IniFile(path_).ReadInteger("ipod", "ProfileCount", 0), 3);
}

TEST_F(CatalogueTest, StoringKeepsTheRestOfTheFile) {
    const QByteArray before = "; shipped catalogue\n[3gp]\nProfileCount=1\nProfile0=Phone\n\n"
                              "; players\n[ipod]\nProfileCount=1\nProfile0=iPod\nDefaultIndex=0\n"
                              "\n[pda]\nDefaultName=P\n";
    const ProfileCatalogue catalogue = Make(before);
    catalogue.StoreProfile("ipod", 1, "Mine");
    QByteArray expected = before;
    expected.replace("[ipod]\nProfileCount=1\nProfile0=iPod\nDefaultIndex=0\n",
                     "[ipod]\nProfileCount=2\nProfile0=iPod\nDefaultIndex=0\nProfile1=Mine\n");
    EXPECT_EQ(ReadBytes(path_), expected);
}

TEST_F(CatalogueTest, AFailedStoreRaisesTheErrorAndRaisesNoCount) {
    WriteBytes(dir_.filePath("blocker"), "file");
    const QString path = dir_.filePath("blocker/Output.dll");
    const ProfileCatalogue catalogue(path);
    try {
        catalogue.StoreProfile("ipod", 0, "x");
        FAIL() << "no error raised";
    } catch (const IniWriteError &error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + path.toStdString()).c_str());
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(CatalogueTest, SlotsOutsideTheCapAreRefused) {
    const ProfileCatalogue catalogue = Make("[a]\nProfileCount=0\n");
    EXPECT_THROW(catalogue.StoreProfile("a", -1, "x"), std::out_of_range);
    EXPECT_THROW(catalogue.StoreProfile("a", kMaxCatalogueSlots, "x"), std::out_of_range);
    EXPECT_EQ(ReadBytes(path_), QByteArray("[a]\nProfileCount=0\n"));
}

} // namespace

namespace {

TEST_F(CatalogueTest, ProfileExtrasComeFromTheirSlotOrTheSectionAndOldCataloguesHaveNone) {
    // A catalogue written before the extras existed.
    const ProfileCatalogue old = Make(kExampleSection);
    const QString mine = old.ReadProfileList("ipod").Profiles[0].Text;
    EXPECT_EQ(old.ReadProfileExtras("ipod", mine).VideoCodec, "");
    EXPECT_EQ(old.ReadProfileExtras("ipod", mine).SizeLimitBytes, 0);

    const QByteArray line = " : Video: 1280x720, 5000 kbps, 30 fps, Audio: 96 kbps, 48 khps, 2 "
                            "Channels Stereo\n";
    const ProfileCatalogue share = Make("[share]\nProfileCount=3\nDefaultCodec=h264\n"
                                        "DefaultSizeLimit=25\n"
                                        "Profile0=Small" +
                                        line +
                                        "SizeLimit0=8\nCodec0= HEVC \n"
                                        "Profile1=Plain" +
                                        line + "Profile2=Small" + line + "SizeLimit2=0.5\n");
    const QList<ProfileEntry> profiles = share.ReadProfileList("share").Profiles;
    ASSERT_EQ(profiles.size(), 3);
    const ProfileExtras small = share.ReadProfileExtras("share", profiles[0].Text);
    EXPECT_EQ(small.VideoCodec, "hevc");
    EXPECT_EQ(small.SizeLimitBytes, 8000000);
    // A slot without its own keys takes the section's; a new text too (the editor's next one).
    const ProfileExtras plain = share.ReadProfileExtras("share", profiles[1].Text);
    EXPECT_EQ(plain.VideoCodec, "h264");
    EXPECT_EQ(plain.SizeLimitBytes, 25000000);
    EXPECT_EQ(share.ReadProfileExtras("share", "New : Video: 640x360").SizeLimitBytes, 25000000);
}

} // namespace
