// The catalogue we ship, as the build places it beside the program.

#include "common/NumberText.h"
#include "profiles/DeviceTable.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"

#include "TestFiles.h"

#include <QSet>
#include <gtest/gtest.h>
#include <set>

namespace {

const QString kShipped = QStringLiteral(MAVO_BIN_DIR "/Output.dll");
const QString kSource = QStringLiteral(MAVO_SOURCE_DIR "/assets/Output.dll");

// Sampling frequencies the AAC encoder takes, in hertz.
const std::set<int> kAacRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

TEST(ShippedCatalogue, TheBuildPlacesItBesideTheProgram) {
    const QByteArray shipped = ReadBytes(kShipped);
    ASSERT_FALSE(shipped.isEmpty()) << kShipped.toStdString();
    EXPECT_EQ(shipped, ReadBytes(kSource));
}

class ShippedSection : public ::testing::TestWithParam<int> {
protected:
    QString Section() const { return ProfileCatalogue::SectionForDevice(GetParam()); }
    ProfileCatalogue catalogue_{kShipped};
};

TEST_P(ShippedSection, HasProfilesWithoutGapsAndItsDefaults) {
    const ProfileList list = catalogue_.ReadProfileList(Section());
    ASSERT_GE(list.Profiles.size(), 3);
    for (qsizetype i = 0; i < list.Profiles.size(); ++i)
        EXPECT_EQ(list.Profiles[i].Slot, i) << "the shipped slots have no gaps";
    // The default entry is a profile, not the final "Add my profile...".
    EXPECT_GE(list.DefaultIndex, 0);
    EXPECT_LT(list.DefaultIndex, list.Profiles.size());

    const IniFile ini(kShipped);
    EXPECT_TRUE(ini.HasKey(Section(), "DefaultName"));
    EXPECT_TRUE(ini.HasKey(Section(), "DefaultBitRate"));
    EXPECT_EQ(ini.ReadInteger(Section(), "ProfileCount", -1), list.Profiles.size());
    const NewProfileDefaults defaults = catalogue_.ReadNewProfileDefaults(Section());
    EXPECT_FALSE(defaults.Name.isEmpty());
    EXPECT_LE(defaults.Name.size(), 15) << "the editor takes at most 15 characters";
    const auto bit_rate = ReadIntegerPrefix(defaults.VideoBitRate);
    ASSERT_TRUE(bit_rate.has_value());
    EXPECT_EQ(QString::number(*bit_rate), defaults.VideoBitRate);
    EXPECT_GE(*bit_rate, 1);
    const DeviceRow device = *DeviceRowFor(GetParam());
    EXPECT_LE(*bit_rate, device.Fitted() ? device.Limits.MaxVideoKbps : 2500)
        << "the editor's bit rate range";
}

TEST_P(ShippedSection, ChoiceListsHoldValuesTheEngineTakes) {
    for (const char *key : {"Resolution", "VideoFrameRate", "AudioQuality", "AudioFrameRate"}) {
        const ChoiceList list = catalogue_.ReadChoiceList(Section(), key);
        ASSERT_FALSE(list.Items.isEmpty()) << key;
        EXPECT_GE(list.PresetIndex, 0) << key;
        EXPECT_LT(list.PresetIndex, list.Items.size()) << key;
        EXPECT_EQ(QSet<QString>(list.Items.begin(), list.Items.end()).size(), list.Items.size())
            << key << " has repeated items";
        for (const QString &item : list.Items) {
            // Lower case, or a stored profile could never select it again.
            EXPECT_EQ(item, item.toLower()) << key;
            if (QString(key) == "Resolution") {
                const ProfileFields f = ProfileCatalogue::ParseProfileText(
                    "n : Video: " + item + ", 1 kbps, 1 fps, Audio: 1 kbps, 1 khps, 1");
                EXPECT_GT(f.Width, 0) << item.toStdString();
                EXPECT_GT(f.Height, 0) << item.toStdString();
                EXPECT_EQ(f.Width % 2, 0) << item.toStdString();
                EXPECT_EQ(f.Height % 2, 0) << item.toStdString();
            } else if (QString(key) == "AudioFrameRate") {
                const float hertz = static_cast<float>(DecimalValue(item) * 1000);
                EXPECT_EQ(kAacRates.count(static_cast<int>(hertz)), 1u) << item.toStdString();
            } else {
                EXPECT_GT(DecimalValue(item), 0.0) << key << " " << item.toStdString();
            }
        }
    }
}

TEST_P(ShippedSection, EveryProfileRoundTripsAndMatchesTheChoices) {
    const ChoiceList sizes = catalogue_.ReadChoiceList(Section(), "Resolution");
    const ChoiceList rates = catalogue_.ReadChoiceList(Section(), "VideoFrameRate");
    const ChoiceList quality = catalogue_.ReadChoiceList(Section(), "AudioQuality");
    const ChoiceList frequencies = catalogue_.ReadChoiceList(Section(), "AudioFrameRate");
    QSet<QString> names;
    for (const ProfileEntry &entry : catalogue_.ReadProfileList(Section()).Profiles) {
        SCOPED_TRACE(entry.Text.toStdString());
        const ProfileFields f = ProfileCatalogue::ParseProfileText(entry.Text);
        EXPECT_EQ(ProfileCatalogue::ComposeProfileText(ProfileCatalogue::PartsOf(f)), entry.Text);

        EXPECT_FALSE(f.Name.isEmpty());
        EXPECT_LE(f.Name.size(), 15);
        EXPECT_FALSE(names.contains(f.Name)) << "names are unique in a section";
        names.insert(f.Name);

        // What the editor selects when it loads the profile (exact items).
        EXPECT_TRUE(sizes.Items.contains(f.Resolution));
        EXPECT_TRUE(rates.Items.contains(f.FrameRate.toLower()));
        EXPECT_TRUE(quality.Items.contains(f.AudioBitRate));
        EXPECT_TRUE(frequencies.Items.contains(f.AudioFrequency.toLower()));
        EXPECT_TRUE(f.Channels == "1" || f.Channels == "2");

        // What the argument builder takes.
        EXPECT_GE(f.Resolution.size(), 3);
        EXPECT_GT(f.Width, 0);
        EXPECT_GT(f.Height, 0);
        const auto video_rate = ReadIntegerPrefix(f.VideoBitRate);
        ASSERT_TRUE(video_rate.has_value());
        EXPECT_EQ(QString::number(*video_rate), f.VideoBitRate);
        EXPECT_GE(*video_rate, 1);
        // The device plays every profile it ships with, and the editor could make it again.
        const DeviceRow device = *DeviceRowFor(GetParam());
        const QString codec = catalogue_.ReadProfileExtras(Section(), entry.Text).VideoCodec;
        EXPECT_EQ(ProfileOutOfBounds(f, codec.isEmpty() ? device.VideoCodec : codec, device.Limits),
                  "");
        EXPECT_LE(*video_rate, device.Fitted() ? device.Limits.MaxVideoKbps : 2500);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, ShippedSection, ::testing::Range(0, kDeviceCount),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return "section_" +
                                    ProfileCatalogue::SectionForDevice(info.param).toStdString();
                         });

} // namespace
