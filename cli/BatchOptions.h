#pragma once
// The command line of mavo-convert and the job it describes: the device, the profile of the
// catalogue, the output folder and the files. Everything a user can get wrong on the command
// line is found here, before any clip is touched.

#include "engine/JobArguments.h"
#include "model/Settings.h"
#include "profiles/DeviceTable.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

class ProfileCatalogue;

inline constexpr const char *kUsageText =
    "Usage: mavo-convert [--device 3gp|psp|ipod|pda|mp4|phone|tv|share] [--profile N|NAME]\n"
    "                    [--keep-ratio] [--audio N|LANG] [--subtitles none|keep|burn[:N|LANG]]\n"
    "                    [--output DIR] [--json] [--quiet] [--estimate | --sample SECONDS]\n"
    "                    FILE...\n"
    "       mavo-convert --list [--json]\n";

struct BatchOptions {
    std::optional<QString> Device;
    std::optional<QString> Profile;
    std::optional<QString> OutputFolder;
    bool KeepRatio = false;
    bool Json = false;
    bool Quiet = false;
    bool List = false;
    bool Help = false;
    // Predict each clip's file and write nothing.
    bool Estimate = false;
    // Convert this many seconds around the middle of each clip, as NAME-sample; 0: whole clips.
    int32_t SampleSeconds = 0;
    QStringList Files;
    std::optional<QString> Audio{};     // the sound track: its number (1 the first) or language
    std::optional<QString> Subtitles{}; // none, keep, burn, burn:N, burn:LANG
};

// What is wrong with a command line, in one sentence.
struct UsageError {
    QString Text;
};

std::variant<BatchOptions, UsageError> ParseBatchOptions(const QStringList &arguments);

// Everything the run needs, settled.
struct BatchJob {
    DeviceRow Device;
    int32_t ProfileNumber = 0; // the profile's place in the device's list
    QString ProfileText;
    ProfileSettings Profile;
    QString WorkFolder; // with its separator
    bool KeepRatio = false;
    QString AudioTrack{}; // empty: the engine's choice
    QString Subtitles{};  // empty: as the device has it
};

// Picks the device, the profile and the output folder from the options, falling back to the
// stored choices and the catalogue's "DefaultIndex". The output folder is created when missing,
// except for an estimate, which writes nothing and leaves the folder empty.
std::variant<BatchJob, UsageError> ResolveBatchJob(const BatchOptions &options,
                                                   const StoredSettings &stored,
                                                   const ProfileCatalogue &catalogue);

// Every device with its numbered profiles; the device and profile a run would take by default
// are marked.
QString CatalogueListing(const StoredSettings &stored, const ProfileCatalogue &catalogue);
// The same as one JSON document: every device with every profile's fields.
QByteArray CatalogueJson(const StoredSettings &stored, const ProfileCatalogue &catalogue);
