#include "BatchOptions.h"

#include "common/Globals.h"
#include "common/NumberText.h"
#include "engine/DeviceJob.h"
#include "engine/TrackChoice.h"
#include "profiles/ProfileCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Options that take a value, as "--name value" or "--name=value".
bool TakeValue(const QStringList &arguments, qsizetype &i, const QString &name,
               std::optional<QString> &into, QString &error) {
    const QString &argument = arguments[i];
    if (argument.startsWith(name + QLatin1Char('='))) {
        into = argument.mid(name.size() + 1);
        return true;
    }
    if (argument != name)
        return false;
    if (i + 1 >= arguments.size()) {
        error = QStringLiteral("%1 needs a value").arg(name);
        return true;
    }
    into = arguments[++i];
    return true;
}

QString Quoted(const QString &text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool TakeSwitch(const QString &argument, const QString &name, bool &into) {
    if (argument != name)
        return false;
    into = true;
    return true;
}

} // namespace

std::variant<BatchOptions, UsageError> ParseBatchOptions(const QStringList &arguments) {
    BatchOptions options;
    QString error;
    bool files_only = false;
    for (qsizetype i = 0; i < arguments.size() && error.isEmpty(); ++i) {
        const QString &argument = arguments[i];
        if (files_only || !argument.startsWith(QLatin1Char('-')) || argument == "-") {
            options.Files << argument;
            continue;
        }
        if (argument == "--") {
            files_only = true;
            continue;
        }
        std::optional<QString> sample;
        const bool known = TakeValue(arguments, i, "--device", options.Device, error) ||
                           TakeValue(arguments, i, "--sample", sample, error) ||
                           TakeSwitch(argument, "--estimate", options.Estimate) ||
                           TakeValue(arguments, i, "--profile", options.Profile, error) ||
                           TakeValue(arguments, i, "--output", options.OutputFolder, error) ||
                           TakeValue(arguments, i, "--audio", options.Audio, error) ||
                           TakeValue(arguments, i, "--subtitles", options.Subtitles, error) ||
                           TakeSwitch(argument, "--keep-ratio", options.KeepRatio) ||
                           TakeSwitch(argument, "--json", options.Json) ||
                           TakeSwitch(argument, "--quiet", options.Quiet) ||
                           TakeSwitch(argument, "--list", options.List) ||
                           TakeSwitch(argument, "--help", options.Help) ||
                           TakeSwitch(argument, "-h", options.Help);
        if (!known)
            error = QStringLiteral("unknown option %1").arg(argument);
        if (sample && error.isEmpty()) {
            bool number = false;
            options.SampleSeconds = sample->toInt(&number);
            if (!number || options.SampleSeconds < 1 || options.SampleSeconds > 600)
                error = QStringLiteral("--sample takes 1 to 600 seconds, not %1").arg(*sample);
        }
    }
    if (error.isEmpty() && options.Audio && !IsTrackChoice(*options.Audio))
        error = QStringLiteral("bad sound track %1: give its number (1 is the first) or its "
                               "language (en, fre ...)")
                    .arg(Quoted(*options.Audio));
    if (error.isEmpty() && options.Subtitles && !IsSubtitleChoice(*options.Subtitles))
        error = QStringLiteral("bad subtitle choice %1: none, keep, burn, or burn:N or burn:LANG "
                               "for one track")
                    .arg(Quoted(*options.Subtitles));
    if (!error.isEmpty())
        return UsageError{error};
    if (options.Help || options.List)
        return options;
    if (options.Files.isEmpty())
        return UsageError{QStringLiteral("no file to convert")};
    return options;
}

namespace {

// The default profile of a list: "DefaultIndex" when it names a profile (it may name the
// program's "Add my profile..." entry, which is no profile).
std::optional<int32_t> DefaultProfile(const ProfileList &list) {
    if (list.DefaultIndex >= 0 && list.DefaultIndex < list.Profiles.size())
        return list.DefaultIndex;
    return std::nullopt;
}

// A number is a place in the list; anything else is a profile name, in any letter case.
std::variant<int32_t, UsageError> FindProfile(const QString &wanted, const ProfileList &list,
                                              const DeviceRow &device) {
    bool is_number = false;
    const int number = wanted.toInt(&is_number);
    if (is_number) {
        if (number >= 0 && number < list.Profiles.size())
            return number;
        return UsageError{QStringLiteral("unknown profile %1 for %2 (it has %3; see --list)")
                              .arg(number)
                              .arg(Quoted(device.Section))
                              .arg(list.Profiles.size() == 0
                                       ? QStringLiteral("none")
                                       : QStringLiteral("0 to %1").arg(list.Profiles.size() - 1))};
    }
    QList<int32_t> matches;
    for (qsizetype i = 0; i < list.Profiles.size(); ++i) {
        const QString name = ProfileCatalogue::ParseProfileText(list.Profiles[i].Text).Name;
        if (name.trimmed().compare(wanted.trimmed(), Qt::CaseInsensitive) == 0)
            matches << static_cast<int32_t>(i);
    }
    if (matches.size() == 1)
        return matches.front();
    if (matches.isEmpty())
        return UsageError{QStringLiteral("unknown profile %1 for %2 (see --list)")
                              .arg(Quoted(wanted), Quoted(device.Section))};
    return UsageError{QStringLiteral("%1 names %2 profiles of %3; give its number (see --list)")
                          .arg(Quoted(wanted))
                          .arg(matches.size())
                          .arg(Quoted(device.Section))};
}

// The folder given on the command line is made whole; the stored one falls back to the default
// folder when it cannot be had, as in the program.
std::variant<QString, UsageError> OutputFolderFor(const BatchOptions &options,
                                                  const StoredSettings &stored) {
    if (options.OutputFolder) {
        const QString folder = QFileInfo(*options.OutputFolder).absoluteFilePath();
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable())
            return UsageError{
                QStringLiteral("the output folder %1 cannot be written").arg(Quoted(folder))};
        return WithSeparator(folder);
    }
    QString folder = stored.OutputFolder;
    if (EnsureOutputFolder(folder) != FolderState::Unavailable)
        return folder;
    return UsageError{QStringLiteral("the output folder %1 cannot be made").arg(Quoted(folder))};
}

} // namespace

std::variant<BatchJob, UsageError> ResolveBatchJob(const BatchOptions &options,
                                                   const StoredSettings &stored,
                                                   const ProfileCatalogue &catalogue) {
    BatchJob job;
    const std::optional<DeviceRow> device =
        options.Device ? DeviceRowNamed(*options.Device) : DeviceRowFor(stored.DeviceType);
    if (!device)
        return UsageError{QStringLiteral("unknown device %1 (%2)")
                              .arg(Quoted(options.Device.value_or(QString())), DeviceNamesText())};
    job.Device = *device;
    const ProfileList list = catalogue.ReadProfileList(device->Section);
    if (options.Profile) {
        auto found = FindProfile(*options.Profile, list, *device);
        if (auto *error = std::get_if<UsageError>(&found))
            return *error;
        job.ProfileNumber = std::get<int32_t>(found);
    } else if (auto number = DefaultProfile(list)) {
        job.ProfileNumber = *number;
    } else {
        return UsageError{QStringLiteral("%1 has no default profile; choose one with --profile "
                                         "(see --list)")
                              .arg(Quoted(device->Section))};
    }
    job.ProfileText = list.Profiles[job.ProfileNumber].Text;
    const ProfileExtras extras = catalogue.ReadProfileExtras(device->Section, job.ProfileText);
    const QString codec = extras.VideoCodec.isEmpty() ? device->VideoCodec : extras.VideoCodec;
    const QString why = ProfileOutOfBounds(ProfileCatalogue::ParseProfileText(job.ProfileText),
                                           codec, device->Limits);
    if (!why.isEmpty())
        return UsageError{QStringLiteral("%1 cannot play profile %2 of %3: %4")
                              .arg(device->Caption)
                              .arg(job.ProfileNumber)
                              .arg(Quoted(device->Section), why)};
    auto settings = DeviceProfileSettings(job.ProfileText, *device, extras);
    if (!settings)
        return UsageError{QStringLiteral("profile %1 of %2 has no usable resolution: %3")
                              .arg(job.ProfileNumber)
                              .arg(Quoted(device->Section), job.ProfileText)};
    job.Profile = *settings;
    job.KeepRatio = options.KeepRatio || stored.KeepRatio;
    job.AudioTrack = options.Audio.value_or(QString());
    job.Subtitles = options.Subtitles.value_or(QString());
    if (options.Estimate)
        return job;
    auto folder = OutputFolderFor(options, stored);
    if (auto *error = std::get_if<UsageError>(&folder))
        return *error;
    job.WorkFolder = std::get<QString>(folder);
    return job;
}

QString CatalogueListing(const StoredSettings &stored, const ProfileCatalogue &catalogue) {
    QString text;
    for (int32_t type = 0; type < kDeviceCount; ++type) {
        const QString section = ProfileCatalogue::SectionForDevice(type);
        const ProfileList list = catalogue.ReadProfileList(section);
        const std::optional<int32_t> chosen = DefaultProfile(list);
        text += section + (type == stored.DeviceType ? QStringLiteral(" (default device)\n")
                                                     : QStringLiteral("\n"));
        if (list.Profiles.isEmpty())
            text += QStringLiteral("      (no profiles)\n");
        for (qsizetype i = 0; i < list.Profiles.size(); ++i)
            text += QStringLiteral("  %1 %2  %3\n")
                        .arg(chosen == i ? QStringLiteral("*") : QStringLiteral(" "))
                        .arg(i, 2)
                        .arg(list.Profiles[i].Text);
    }
    return text + QStringLiteral("(* the profile a device takes when no --profile is given)\n");
}

namespace {

QJsonObject ProfileJson(const ProfileCatalogue &catalogue, const DeviceRow &device,
                        const QString &text) {
    const ProfileFields f = ProfileCatalogue::ParseProfileText(text);
    const ProfileExtras extras = catalogue.ReadProfileExtras(device.Section, text);
    const QString codec = extras.VideoCodec.isEmpty() ? device.VideoCodec : extras.VideoCodec;
    return QJsonObject{{"name", f.Name.trimmed()},
                       {"text", text},
                       {"width", f.Width},
                       {"height", f.Height},
                       {"video_codec", codec},
                       {"video_kbps", IntegerValue(f.VideoBitRate)},
                       {"fps", DecimalValue(f.FrameRate)},
                       {"audio_kbps", IntegerValue(f.AudioBitRate)},
                       {"audio_khz", DecimalValue(f.AudioFrequency)},
                       {"channels", IntegerValue(f.Channels)},
                       {"size_limit_bytes", extras.SizeLimitBytes > 0
                                                ? QJsonValue(double(extras.SizeLimitBytes))
                                                : QJsonValue()}};
}

} // namespace

QByteArray CatalogueJson(const StoredSettings &stored, const ProfileCatalogue &catalogue) {
    QJsonArray devices;
    for (int32_t type = 0; type < kDeviceCount; ++type) {
        const DeviceRow device = *DeviceRowFor(type);
        const ProfileList list = catalogue.ReadProfileList(device.Section);
        const std::optional<int32_t> chosen = DefaultProfile(list);
        QJsonArray profiles;
        for (qsizetype i = 0; i < list.Profiles.size(); ++i) {
            QJsonObject profile = ProfileJson(catalogue, device, list.Profiles[i].Text);
            profile.insert("number", int(i));
            profile.insert("default", chosen == i);
            profiles.append(profile);
        }
        devices.append(QJsonObject{{"device", device.Section},
                                   {"caption", device.Caption},
                                   {"default", type == stored.DeviceType},
                                   {"extension", device.OutputExt},
                                   {"profiles", profiles}});
    }
    return QJsonDocument(QJsonObject{{"devices", devices}}).toJson(QJsonDocument::Indented);
}
