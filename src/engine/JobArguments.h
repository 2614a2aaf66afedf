#pragma once
// The job record of one clip and the 38 texts the engine converts it from. Everything here is a
// pure function of its arguments (the only outside fact read is whether an output name is taken).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// The encoding settings of a run, read once from the chosen profile.
struct ProfileSettings {
    QString VideoCodec = QStringLiteral("mpeg4");
    QString AudioCodec = QStringLiteral("aac");
    QString Size;         // "320x240"
    QString FrameRate;    // "25"
    QString VideoBitRate; // kbps
    QString AudioBitRate; // kbps
    QString SamplingRate; // Hz, "44100"
    QString Channels;     // "2"
    QString Format;       // the container, "mp4"
    QString OutputExt;    // ".MP4"
    int32_t ProfileWidth = 0;
    int32_t ProfileHeight = 0;
    int32_t DeviceType = -1; // the device whose limits the files are checked against
    // Devices after the classic five: the picture is fitted inside Size and FrameRate is a
    // ceiling; the encoder's profile, the stream tag and a size limit for the whole file.
    bool Fitted = false;
    QString VideoProfile;       // "high", "main"
    QString Tag;                // "hvc1"
    QString VideoLevel;         // "4.1": the most the device decodes, signalled and kept
    int64_t SizeLimitBytes = 0; // 0: none
    bool KeepsHdr = false;      // HEVC Main 10 keeping a PQ or HLG source's range
};

// What the run needs of one clip of the list.
struct ClipSource {
    QString FileName;
    int32_t StartTime = 0;
    int32_t StopTime = 0;
    int32_t Width = 0; // as the engine reported the clip
    int32_t Height = 0;
    QString AudioTrack{}; // the sound track's number or language; empty: the engine's choice
    QString Subtitles{};  // "none", "keep", "burn[:N|LANG]"; empty: as the device has it
    QString OutputSuffix = QString(); // after the source's name in the output's: "-sample"
    double Fps = 0;                   // frames a second as the engine reported; 0 unknown
    bool HasAudio = true;
};

struct Padding {
    int32_t Top = 0;
    int32_t Bottom = 0;
    int32_t Left = 0;
    int32_t Right = 0;
};

// The job record of the clip being converted.
struct TConvertDef {
    int32_t Start = 0;
    int32_t Stop = 0;
    int32_t Length = 0;
    QString StartText; // for the engine: hours may go past 24
    QString StopText;  // for the display
    QString LengthText;
    QString Input;
    QString Volume = QStringLiteral("100");
    QString Output;
    QString VideoCodec;
    QString PadTop = QStringLiteral("0");
    QString PadBottom = QStringLiteral("0");
    QString PadLeft = QStringLiteral("0");
    QString PadRight = QStringLiteral("0");
    QString Size;
    QString FrameRate;
    QString VideoBitRate;
    QString AudioCodec;
    QString Channels;
    QString AudioBitRate;
    QString SamplingRate;
    QString Format;
    QStringList Options; // the engine's options beyond the 38 texts, for today's devices
};

inline constexpr int kArgumentCount = 38;

// The settings of a profile text; nothing when its resolution is too short to be one.
std::optional<ProfileSettings> ReadProfileSettings(const QString &profile_text,
                                                   const QString &output_ext,
                                                   const QString &output_format);

// "hh:mm:ss" with as many hour digits as needed: 90000 gives "25:00:00".
QString EngineTimeText(int32_t seconds);

// The bands that keep the clip's shape inside the profile's frame. A clip without a width or a
// height gets none.
Padding KeepRatioPadding(int32_t clip_width, int32_t clip_height, int32_t profile_width,
                         int32_t profile_height);

// The folder's first free name for the source: base + ext, then base1 + ext, base2 + ext ...
using NameTaken = std::function<bool(const QString &path)>;
QString OutputPathFor(const QString &input, const QString &work_folder, const QString &output_ext,
                      const NameTaken &taken, const QString &suffix = QString());
// Anything at the path counts, a dangling link too.
bool PathTaken(const QString &path);

// The job of a clip as the classic players take it; PrepareDeviceClip adds a fitted device's
// options.
TConvertDef PrepareClip(const ClipSource &clip, const ProfileSettings &profile,
                        const QString &work_folder, bool keep_ratio,
                        const NameTaken &taken = PathTaken);

// The 38 texts in the engine's order; the input only ever after "-i", the output last.
QStringList ArgumentList(const TConvertDef &job);
// What the engine is handed: the 38 texts, with the job's further options before the output.
QStringList EngineArguments(const TConvertDef &job);
