#pragma once
// The output profile catalogue "Output.dll": an INI text with one section per device holding
// the device's profiles ("Profile0", "Profile1", ... counted by "ProfileCount"), the choice lists
// of the profile editor and the defaults of a new profile. This module owns the file format, the
// format of a profile text and its one parse.
//
// A profile text is one line:
//   My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 2 Channels Stereo
//
// Every file operation opens the file, does its work and closes it; nothing is cached.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// The text of an absent INI value; a slot that holds it is skipped like an absent one.
inline constexpr const char *kNoDataMarker = "NoData";
// Counts read from the catalogue are capped here: slots 0 to 9999 at most are looked at.
inline constexpr int32_t kMaxCatalogueSlots = 10000;

inline constexpr const char *kMonoChannelsText = "1 Channel Mono";
inline constexpr const char *kStereoChannelsText = "2 Channels Stereo";

// The parts of a profile text, as ParseProfileText finds them. Width and Height come from
// Resolution; Channels is the first character of the channels text ("1" or "2").
struct ProfileFields {
    QString Name;
    QString Resolution;
    QString VideoBitRate;
    QString FrameRate;
    QString AudioBitRate;
    QString AudioFrequency;
    QString Channels;
    int32_t Width = 0;
    int32_t Height = 0;
};

// What ComposeProfileText joins; ChannelsText is the whole channel choice ("2 Channels Stereo").
struct ProfileTextParts {
    QString Name;
    QString Resolution;
    QString VideoBitRate;
    QString FrameRate;
    QString AudioBitRate;
    QString AudioFrequency;
    QString ChannelsText;
};

// One profile of a section's list and the slot ("Profile" + slot) it was read from. Slots can
// have gaps, so a list position is not a slot number.
struct ProfileEntry {
    QString Text;
    int32_t Slot = 0;
};

struct ProfileList {
    QList<ProfileEntry> Profiles; // in slot order
    int32_t DefaultIndex = 0;     // "DefaultIndex", counted with the final "Add my profile..."
    QStringList Texts() const;
};

struct ChoiceList {
    QStringList Items;       // in slot order
    int32_t PresetIndex = 0; // key name + "Index"; may lie outside Items
};

// What a new profile of a section starts with.
struct NewProfileDefaults {
    QString Name = QStringLiteral("DefaultName");
    QString VideoBitRate = QStringLiteral("200");
    int32_t NextSlot = 0; // "ProfileCount", capped
};

// What a profile holds beside its text, in keys of the same slot: "Codec3=hevc" names its video
// and "SizeLimit3=25" caps its files at 25 MB (1,000,000 bytes each). A profile without them takes
// its section's "DefaultCodec" and "DefaultSizeLimit"; catalogues without any have neither.
struct ProfileExtras {
    QString VideoCodec;         // "h264", "hevc"; empty: the device's
    int64_t SizeLimitBytes = 0; // 0: no limit
};

class ProfileCatalogue {
public:
    // The catalogue of the program: path_Config + "Output.dll".
    ProfileCatalogue();
    explicit ProfileCatalogue(QString path);

    const QString &Path() const { return path_; }

    // "3gp", "psp", "ipod", "pda", "mp4", "phone", "tv", "share" for 0 to 7; the empty name for
    // any other value.
    static QString SectionForDevice(int32_t device_type);

    ProfileList ReadProfileList(const QString &section) const;
    // key_name: "Resolution", "VideoFrameRate", "AudioQuality" or "AudioFrameRate".
    ChoiceList ReadChoiceList(const QString &section, const QString &key_name) const;
    // The text of "Profile" + slot; "NoData" when there is none.
    QString ReadProfile(const QString &section, int32_t slot) const;
    NewProfileDefaults ReadNewProfileDefaults(const QString &section) const;
    // The extras of the first profile of the section with this text.
    ProfileExtras ReadProfileExtras(const QString &section, const QString &text) const;

    // Writes the text to "Profile" + slot; when the slot is "ProfileCount" (the next free one),
    // raises the count by one. Throws IniWriteError ("Unable to write to <path>"); when the
    // profile cannot be written the count is left alone. A slot outside 0 to 9999 throws
    // std::out_of_range.
    void StoreProfile(const QString &section, int32_t slot, const QString &text) const;

    static QString ChannelsText(int32_t channels);
    static QString ComposeProfileText(const ProfileTextParts &parts);
    // Never fails: a text without the markers gives mostly empty fields and a 0 x 0 size.
    static ProfileFields ParseProfileText(const QString &text);
    // The parts that compose the same text again, when the text is in the composed form.
    static ProfileTextParts PartsOf(const ProfileFields &fields);

private:
    QString path_;
};
