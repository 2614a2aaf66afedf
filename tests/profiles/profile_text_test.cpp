#include "common/NumberText.h"
#include "profiles/ProfileCatalogue.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

const QString kExample = QStringLiteral("My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 "
                                        "kbps, 44.1 khps, 2 Channels Stereo");

ProfileTextParts ExampleParts() {
    return ProfileTextParts{"My Player", "320x240",          "768", "25", "128",
                            "44.1",      "2 Channels Stereo"};
}

QString WithResolution(const QString &resolution) {
    ProfileTextParts parts = ExampleParts();
    parts.Resolution = resolution;
    return ProfileCatalogue::ComposeProfileText(parts);
}

TEST(ProfileText, ComposeJoinsThePartsWithTheFixedTexts) {
    EXPECT_EQ(ProfileCatalogue::ComposeProfileText(ExampleParts()), kExample);
    ProfileTextParts padded = ExampleParts();
    padded.Name = "\t  My Player \r";
    EXPECT_EQ(ProfileCatalogue::ComposeProfileText(padded), kExample);
}

TEST(ProfileText, ParseOfTheExample) {
    const ProfileFields f = ProfileCatalogue::ParseProfileText(kExample);
    EXPECT_EQ(f.Name, "My Player");
    EXPECT_EQ(f.Resolution, "320x240");
    EXPECT_EQ(f.VideoBitRate, "768");
    EXPECT_EQ(f.FrameRate, "25");
    EXPECT_EQ(f.AudioBitRate, "128");
    EXPECT_EQ(f.AudioFrequency, "44.1");
    EXPECT_EQ(f.Channels, "2");
    EXPECT_EQ(f.Width, 320);
    EXPECT_EQ(f.Height, 240);
}

TEST(ProfileText, SizesReadFourCharactersAfterTheSeparator) {
    struct Case {
        QString resolution;
        int32_t width, height;
    };
    for (const Case &c :
         {Case{"176x144", 176, 144}, Case{"1280x1024", 1280, 1024}, Case{"1920x10800", 1920, 1080},
          Case{"128x96", 128, 96},
          // The separator in either case (320X240 is still 320 by 240).
          Case{"320X240", 320, 240}, Case{"720X576", 720, 576},
          // Blanks around the parts are trimmed before the numbers are read.
          Case{"640 x 480", 640, 480},
          // Without a separator the width is 0 and the height the first four.
          Case{"320", 0, 320}, Case{"123456", 0, 1234}, Case{"abcxdef", 0, 0}, Case{"x", 0, 0}}) {
        const ProfileFields f = ProfileCatalogue::ParseProfileText(WithResolution(c.resolution));
        EXPECT_EQ(f.Resolution, c.resolution);
        EXPECT_EQ(f.Width, c.width) << c.resolution.toStdString();
        EXPECT_EQ(f.Height, c.height) << c.resolution.toStdString();
    }
    // The upper-case separator is found where the lower-case one comes later.
    EXPECT_EQ(ProfileCatalogue::ParseProfileText(WithResolution("10X20x30")).Width, 10);
    EXPECT_EQ(ProfileCatalogue::ParseProfileText(WithResolution("10X20x30")).Height, 20);
}

TEST(ProfileText, HugeSizesSaturate) {
    const ProfileFields f = ProfileCatalogue::ParseProfileText(WithResolution("99999999999x-9999"));
    EXPECT_EQ(f.Width, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(f.Height, -999);
}

TEST(ProfileText, ChannelsIsTheFirstCharacterOfTheChannelText) {
    ProfileTextParts parts = ExampleParts();
    parts.ChannelsText = QString::fromLatin1(kMonoChannelsText);
    EXPECT_EQ(
        ProfileCatalogue::ParseProfileText(ProfileCatalogue::ComposeProfileText(parts)).Channels,
        "1");
    EXPECT_EQ(ProfileCatalogue::ChannelsText(1), kMonoChannelsText);
    EXPECT_EQ(ProfileCatalogue::ChannelsText(2), kStereoChannelsText);
}

TEST(ProfileText, TheAudioPartIsCutAt100Characters) {
    // Audio bit rate padded with blanks: the channel digit sits at position 26 + padding of
    // the audio part, so 74 characters of padding put it at 100 and 75 push it out.
    auto text_with = [](int padding) {
        ProfileTextParts parts = ExampleParts();
        parts.AudioBitRate = QString(padding - 3, QLatin1Char(' ')) + QStringLiteral("128");
        return ProfileCatalogue::ComposeProfileText(parts);
    };
    const ProfileFields inside = ProfileCatalogue::ParseProfileText(text_with(74));
    EXPECT_EQ(inside.AudioBitRate, "128");
    EXPECT_EQ(inside.AudioFrequency, "44.1");
    EXPECT_EQ(inside.Channels, "2");

    const ProfileFields cut = ProfileCatalogue::ParseProfileText(text_with(75));
    EXPECT_EQ(cut.AudioBitRate, "128");
    EXPECT_EQ(cut.AudioFrequency, "44.1");
    EXPECT_EQ(cut.Channels, "");

    // With "khps" beyond the cut (but "kbps," inside) the frequency and the channels are not
    // found at all.
    const ProfileFields far = ProfileCatalogue::ParseProfileText(text_with(85));
    EXPECT_EQ(far.AudioBitRate, "128");
    EXPECT_EQ(far.AudioFrequency, "");
    EXPECT_EQ(IntegerValue(far.Channels), 0);
    // The video part is not cut.
    EXPECT_EQ(far.Resolution, "320x240");
    EXPECT_EQ(far.Width, 320);
}

TEST(ProfileText, TextsWithoutMarkersGiveEmptyFieldsAndNoSize) {
    for (const QString &text :
         {QString(), QStringLiteral("garbage"), QStringLiteral("Video: Audio:"),
          QStringLiteral(" : Video"), QStringLiteral("Audio: "), QStringLiteral("x"),
          QStringLiteral("NoData"), QStringLiteral("My Player : Video: 320x240, 768 kbps")}) {
        const ProfileFields f = ProfileCatalogue::ParseProfileText(text);
        EXPECT_EQ(f.Resolution, "") << text.toStdString();
        EXPECT_EQ(f.VideoBitRate, "") << text.toStdString();
        EXPECT_EQ(f.FrameRate, "") << text.toStdString();
        EXPECT_EQ(f.AudioBitRate, "") << text.toStdString();
        EXPECT_EQ(f.AudioFrequency, "") << text.toStdString();
        EXPECT_EQ(IntegerValue(f.Channels), 0) << text.toStdString();
        EXPECT_EQ(f.Width, 0) << text.toStdString();
        EXPECT_EQ(f.Height, 0) << text.toStdString();
    }
    // Only the audio part present: its fields are still found.
    const ProfileFields audio =
        ProfileCatalogue::ParseProfileText("Audio: 96 kbps, 22.05 khps, 1 Channel Mono");
    EXPECT_EQ(audio.Name, "");
    EXPECT_EQ(audio.AudioBitRate, "96");
    EXPECT_EQ(audio.AudioFrequency, "22.05");
    EXPECT_EQ(audio.Channels, "1");
}

TEST(ProfileText, MarkersAreSearchedFromTheStart) {
    // A name holding "Audio:" ends the video part before it begins: no video fields.
    ProfileTextParts parts = ExampleParts();
    parts.Name = "Audio: fan";
    const ProfileFields f =
        ProfileCatalogue::ParseProfileText(ProfileCatalogue::ComposeProfileText(parts));
    EXPECT_EQ(f.Name, "Audio: fan");
    EXPECT_EQ(f.Resolution, "");
    EXPECT_EQ(f.Width, 0);
    // A comma in the resolution ends it there.
    const ProfileFields comma = ProfileCatalogue::ParseProfileText(WithResolution("320,240"));
    EXPECT_EQ(comma.Resolution, "320");
}

TEST(ProfileText, ComposeAndParseRoundTrip) {
    const QList<ProfileTextParts> cases = {
        ExampleParts(),
        {"Phone", "176x144", "128", "15", "32", "22.05", kMonoChannelsText},
        {"M\u00f6n Spieler \u65e5", "1280x720", "2500", "29.97", "192", "48", kStereoChannelsText},
        {"", "", "", "", "", "", kStereoChannelsText},
        {"Upper", "320X240", "768", "25", "128", "44.1", kStereoChannelsText},
    };
    for (const ProfileTextParts &parts : cases) {
        const QString text = ProfileCatalogue::ComposeProfileText(parts);
        const ProfileFields f = ProfileCatalogue::ParseProfileText(text);
        EXPECT_EQ(f.Name, parts.Name);
        EXPECT_EQ(f.Resolution, parts.Resolution);
        EXPECT_EQ(f.VideoBitRate, parts.VideoBitRate);
        EXPECT_EQ(f.FrameRate, parts.FrameRate);
        EXPECT_EQ(f.AudioBitRate, parts.AudioBitRate);
        EXPECT_EQ(f.AudioFrequency, parts.AudioFrequency);
        EXPECT_EQ(f.Channels, parts.ChannelsText.left(1));
        EXPECT_EQ(ProfileCatalogue::ComposeProfileText(ProfileCatalogue::PartsOf(f)), text)
            << text.toStdString();
    }
}

} // namespace
