#include "model/SavedList.h"

#include "common/Globals.h"
#include "model/ClipList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <unistd.h>

namespace {

constexpr int kFormat = 1;

QJsonObject ClipToJson(const SavedClip &clip) {
    return {{"file", clip.FileName},          {"start", clip.StartTime},
            {"stop", clip.StopTime},          {"selected", clip.Selected},
            {"sound_track", clip.SoundTrack}, {"subtitles", clip.Subtitles}};
}

QJsonObject ResultToJson(const ClipResult &result) {
    return {{"source", result.Source},
            {"output", result.Output},
            {"finished", result.Outcome == ClipOutcome::Finished},
            {"reason", result.Reason},
            {"plays", result.Plays}};
}

// An integer field that must be there.
bool ReadInt(const QJsonObject &object, const char *key, int32_t &value) {
    const QJsonValue field = object.value(QLatin1String(key));
    if (!field.isDouble() || field.toDouble() != static_cast<int32_t>(field.toDouble()))
        return false;
    value = static_cast<int32_t>(field.toDouble());
    return true;
}

std::optional<SavedClip> ClipFromJson(const QJsonValue &value) {
    const QJsonObject object = value.toObject();
    SavedClip clip;
    clip.FileName = object.value("file").toString();
    clip.Selected = object.value("selected").toBool();
    clip.Subtitles = object.value("subtitles").toString();
    // Lists saved before the choice was kept have no such field.
    if (object.contains("sound_track") &&
        (!ReadInt(object, "sound_track", clip.SoundTrack) || clip.SoundTrack < -1))
        return std::nullopt;
    if (clip.FileName.isEmpty() || !ReadInt(object, "start", clip.StartTime) ||
        !ReadInt(object, "stop", clip.StopTime) || clip.StartTime < 0 ||
        clip.StopTime < clip.StartTime)
        return std::nullopt;
    return clip;
}

ClipResult ResultFromJson(const QJsonValue &value) {
    const QJsonObject object = value.toObject();
    ClipResult result;
    result.Source = object.value("source").toString();
    result.Output = object.value("output").toString();
    result.Outcome =
        object.value("finished").toBool() ? ClipOutcome::Finished : ClipOutcome::Failed;
    result.Reason = object.value("reason").toString();
    result.Plays = object.value("plays").toString();
    return result;
}

bool ReadRun(const QJsonObject &run, int32_t clip_count, SavedList &list) {
    list.RunCut = true;
    list.RunFolder = run.value("folder").toString();
    if (!ReadInt(run, "clip", list.RunClip) || list.RunClip < 0 || list.RunClip >= clip_count ||
        list.RunFolder.isEmpty())
        return false;
    const QJsonArray done = run.value("done").toArray();
    if (done.size() != list.RunClip)
        return false;
    for (const QJsonValue &value : done)
        list.RunDone.append(ResultFromJson(value));
    return true;
}

} // namespace

QByteArray SavedList::ToJson() const {
    QJsonArray clips;
    for (const SavedClip &clip : Clips)
        clips.append(ClipToJson(clip));
    QJsonObject root{
        {"format", kFormat}, {"clips", clips}, {"device", DeviceType}, {"profile", Profile}};
    if (RunCut) {
        QJsonArray done;
        for (const ClipResult &result : RunDone)
            done.append(ResultToJson(result));
        root.insert("run", QJsonObject{{"clip", RunClip}, {"folder", RunFolder}, {"done", done}});
    }
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<SavedList> SavedList::FromJson(const QByteArray &text, QString *reason) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    const QJsonObject root = document.object();
    SavedList list;
    const auto refuse = [reason](const QString &why) {
        if (reason != nullptr)
            *reason = why;
        return std::nullopt;
    };
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return refuse(QStringLiteral("it is not whole (%1)").arg(error.errorString()));
    int32_t format = 0;
    if (!ReadInt(root, "format", format) || format != kFormat)
        return refuse(QStringLiteral("it is of a format this program does not know"));
    const QJsonArray clips = root.value("clips").toArray();
    for (const QJsonValue &value : clips) {
        const std::optional<SavedClip> clip = ClipFromJson(value);
        if (!clip)
            return refuse(QStringLiteral("a clip in it is damaged"));
        list.Clips.append(*clip);
    }
    if (!ReadInt(root, "device", list.DeviceType))
        return refuse(QStringLiteral("it names no device"));
    list.Profile = root.value("profile").toString();
    if (root.contains("run") && !ReadRun(root.value("run").toObject(), list.Clips.size(), list))
        return refuse(QStringLiteral("its run is damaged"));
    return list;
}

QString SavedListFolder() {
    return OwnFolderIn(QStandardPaths::GenericConfigLocation);
}

ListKeeper::ListKeeper(QString folder) : folder_(WithSeparator(std::move(folder))) {}

ListKeeper::~ListKeeper() = default;

namespace {

// What tells one process from another that had its id before it: the machine's boot and the
// process's start time since that boot. "pid boot start"; empty when the process is not there.
QByteArray ProcessStamp(qint64 pid) {
    QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!boot.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
        return {};
    // The start time is the 22nd field, the 20th after the name's closing parenthesis.
    const QByteArray text = stat.read(1024);
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return {};
    return QByteArray::number(pid) + ' ' + boot.readAll().trimmed() + ' ' + fields[19];
}

} // namespace

bool ListKeeper::Lock() {
    if (locked_)
        return true;
    if (folder_.isEmpty() || !QDir().mkpath(folder_))
        return false;
    lock_ = std::make_unique<QLockFile>(folder_ + QStringLiteral("ClipList.lock"));
    // A lock whose program is gone is taken over at once.
    lock_->setStaleLockTime(0);
    locked_ = lock_->tryLock(0);
    if (!locked_ && HolderIsGone() && lock_->removeStaleLockFile())
        locked_ = lock_->tryLock(0);
    if (locked_) {
        QSaveFile owner(OwnerPath());
        if (owner.open(QIODevice::WriteOnly)) {
            owner.write(ProcessStamp(QCoreApplication::applicationPid()));
            owner.commit();
        }
    }
    return locked_;
}

bool ListKeeper::HolderIsGone() const {
    // The lock names a process that runs under the same name (ids are reused, in containers
    // and sandboxes at every start): it is the holder only when it is the process that noted
    // itself beside the lock. Without a note of the same id, the lock is the holder's.
    qint64 pid = 0;
    if (!lock_->getLockInfo(&pid, nullptr, nullptr))
        return false;
    QFile owner(OwnerPath());
    if (!owner.open(QIODevice::ReadOnly))
        return false;
    const QByteArray noted = owner.read(256);
    if (!noted.startsWith(QByteArray::number(pid) + ' '))
        return false;
    return noted != ProcessStamp(pid);
}

std::optional<SavedList> ListKeeper::ReadLeftover(QString *note) {
    if (!locked_)
        return std::nullopt;
    QFile file(FilePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.read(16 * 1024 * 1024);
    file.close();
    QString reason;
    std::optional<SavedList> list = SavedList::FromJson(text, &reason);
    if (!list) {
        SetAside();
        if (note != nullptr)
            *note = QStringLiteral("the clip list saved before the program last ended was not "
                                   "restored: %1; it is kept as %2")
                        .arg(reason, FilePath() + QStringLiteral(".old"));
    }
    return list;
}

bool ListKeeper::Save(const SavedList &list) {
    if (!locked_)
        return false;
    QSaveFile file(FilePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = list.ToJson();
    if (file.write(text) != text.size() || !file.flush())
        return false;
    // On disk before the rename: a crash leaves the old list or the new one, never a torn one.
    if (::fsync(file.handle()) != 0)
        return false;
    return file.commit();
}

void ListKeeper::SetAside() {
    const QString old = FilePath() + QStringLiteral(".old");
    QFile::remove(old);
    QFile::rename(FilePath(), old);
}

void ListKeeper::Remove() {
    if (locked_)
        QFile::remove(FilePath());
}

namespace {
constexpr int kSaveDelayMs = 250;
} // namespace

ListSaver::ListSaver(ListKeeper &keeper, Sources sources, QObject *parent)
    : QObject(parent), keeper_(keeper), sources_(std::move(sources)) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kSaveDelayMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (!held_)
            keeper_.Save(Snapshot());
    });
    const ClipList *clips = sources_.clips;
    connect(clips, &ClipList::ClipAdded, this, &ListSaver::Schedule);
    connect(clips, &ClipList::ClipsRemoved, this, &ListSaver::Schedule);
    connect(clips, &ClipList::SelectionChanged, this, &ListSaver::Schedule);
    connect(clips, &ClipList::CropChanged, this, &ListSaver::Schedule);
    connect(clips, &ClipList::SoundTrackChanged, this, &ListSaver::Schedule);
    connect(clips, &ClipList::SubtitlesChanged, this, &ListSaver::Schedule);
    // A clip that starts or ends changes the run's state; that is saved at once.
    connect(sources_.run, &ConversionRun::ClipStarting, this, [this] {
        Schedule();
        Flush();
    });
    connect(sources_.run, &ConversionRun::RunFinished, this, [this] {
        Schedule();
        Flush();
    });
}

SavedList ListSaver::Snapshot() const {
    SavedList list;
    for (const ClipRecord &clip : sources_.clips->Records())
        list.Clips.append({clip.FileName, clip.StartTime, clip.StopTime, clip.Selected,
                           clip.SoundTrack, clip.Subtitles});
    list.DeviceType = sources_.device ? sources_.device() : 0;
    list.Profile = sources_.profile ? sources_.profile() : QString();
    const ConversionRun *run = sources_.run;
    // The run's clips are the list's: the list cannot change while the run converts.
    if (run->Converting() && run->ClipCount() == list.Clips.size()) {
        list.RunCut = true;
        list.RunClip = run->CurrentClipIndex();
        list.RunFolder = run->WorkFolder();
        list.RunDone = run->Results().mid(0, list.RunClip);
    }
    return list;
}

void ListSaver::Schedule() {
    if (!timer_->isActive())
        timer_->start();
}

void ListSaver::Release(bool save_now) {
    held_ = false;
    if (save_now) {
        Schedule();
        Flush();
    }
}

void ListSaver::Flush() {
    if (!timer_->isActive() || held_)
        return;
    timer_->stop();
    keeper_.Save(Snapshot());
}
