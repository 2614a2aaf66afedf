#include "app/ClipAdder.h"

#include "common/Globals.h"
#include "common/SharedFunctions.h"
#include "desktop/Jpeg.h"
#include "desktop/MessageBox.h"
#include "engine/EngineBinding.h"
#include "engine/TrackChoice.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// The twelve kinds the program always read, then today's containers.
const char *const kMediaExtensions[] = {"mpg",  "avi", "wmv", "asf", "divx", "xvid", "swf", "mov",
                                        "vob",  "mp4", "3gp", "3g2", "mkv",  "webm", "ts",  "mts",
                                        "m2ts", "m4v", "flv", "ogv", "mpeg", "mpe"};

// The engine's texts are copied at once: they are only good until this thread's next call.
ClipRefusal ReadInformation(const QString &path, AddedClip &clip, QString &reason) {
    ClipInfoRecord info{};
    const QByteArray name = QFile::encodeName(path);
    DllGetFileInfo(name.constData(), &info);
    clip.record = ClipRecord::FromInfo(info);
    const QString video = clip.record.VideoFormat.toLower();
    if (video.contains(QLatin1String("rv")))
        return ClipRefusal::UnsupportedVideo;
    if (video.contains(QLatin1String("unknow"))) {
        reason = VideoRefusal(path);
        if (!reason.isEmpty())
            return ClipRefusal::UnreadableCodec;
        // The engine says "unknown" both for a file without pictures and for one it cannot
        // open; only the first tells a length or a sound format.
        const QString &audio = clip.record.AudioFormat;
        const bool has_sound = !audio.isEmpty() && audio != QLatin1String("none");
        if (has_sound || clip.record.Duration > 0)
            return ClipRefusal::NoVideo;
        return info.extra[5] == 1 ? ClipRefusal::TooSlow : ClipRefusal::Unreadable;
    }
    if (const std::optional<TrackReading> tracks = ReadTracks(path)) {
        clip.record.SoundTracks = tracks->SoundLabels;
        clip.record.DefaultSoundTrack = tracks->Chosen;
        clip.record.SubtitleTracks = tracks->SubtitleLabels;
    }
    return ClipRefusal::None;
}

ClipRefusal ReadThumbnail(const QString &path, const QString &thumbnail_file, AddedClip &clip) {
    const QByteArray name = QFile::encodeName(path);
    const QByteArray out = QFile::encodeName(thumbnail_file);
    if (DllGetFilePic(name.constData(), 5, "80x60", out.constData()) != 0)
        return ClipRefusal::NoPicture;
    // A picture smaller than 1 KiB is no real thumbnail.
    if (GetFileSizeKB(thumbnail_file) == 0)
        return ClipRefusal::NoPicture;
    std::optional<QImage> picture = LoadJpegFile(thumbnail_file);
    if (!picture)
        return ClipRefusal::NoPicture;
    clip.picture = std::move(*picture);
    return ClipRefusal::None;
}

} // namespace

QString ThumbnailFileName(int32_t error_count) {
    return path_Snapshot + QStringLiteral("snap") + QString::number(error_count) +
           QStringLiteral(".pic");
}

ClipReading ReadClip(const QString &path, const QString &thumbnail_file) {
    ClipReading reading;
    reading.file = path;
    // A picture left from an earlier clip must never become this clip's thumbnail.
    QFile::remove(thumbnail_file);
    try {
        reading.refusal = ReadInformation(path, reading.clip, reading.reason);
        if (reading.refusal == ClipRefusal::None)
            reading.refusal = ReadThumbnail(path, thumbnail_file, reading.clip);
    } catch (...) {
        // A failure on one file skips that file.
        reading.refusal = ClipRefusal::Unreadable;
    }
    QFile::remove(thumbnail_file);
    if (reading.refusal != ClipRefusal::None)
        reading.clip = AddedClip{};
    return reading;
}

QString RefusalReason(ClipRefusal refusal) {
    switch (refusal) {
    case ClipRefusal::UnsupportedVideo:
        return QStringLiteral("video format not supported");
    case ClipRefusal::NoVideo:
        return QStringLiteral("no video stream");
    case ClipRefusal::Unreadable:
        return QStringLiteral("could not be read");
    case ClipRefusal::TooSlow:
        return QStringLiteral("could not be read in time");
    case ClipRefusal::NoPicture:
        return QStringLiteral("no picture");
    case ClipRefusal::UnreadableCodec:
        return QStringLiteral("video format not supported");
    case ClipRefusal::None:
        break;
    }
    return {};
}

QString RefusalMessage(const QList<RefusedFile> &refused) {
    if (refused.isEmpty())
        return {};
    QString text = refused.size() == 1 ? QStringLiteral("This file could not be added:\n")
                                       : QStringLiteral("These files could not be added:\n");
    for (const RefusedFile &file : refused)
        text += QStringLiteral("\n") + QFileInfo(file.file).fileName() + QStringLiteral(": ") +
                (file.reason.isEmpty() ? RefusalReason(file.refusal) : file.reason);
    return text;
}

QString MediaFileFilter() {
    QStringList patterns;
    for (const char *ext : kMediaExtensions) {
        const QString lower = QString::fromLatin1(ext);
        patterns << QStringLiteral("*.") + lower << QStringLiteral("*.") + lower.toUpper();
    }
    return QStringLiteral("Support Media File (") + patterns.join(QLatin1Char(' ')) +
           QStringLiteral(");;All File (*)");
}

bool IsSupportedMediaFile(const QString &name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    for (const char *ext : kMediaExtensions)
        if (suffix == QLatin1String(ext))
            return true;
    return false;
}

QStringList FilesToAdd(const QStringList &dropped) {
    QStringList files;
    for (const QString &path : dropped) {
        const QFileInfo info(path);
        if (info.isDir()) {
            const QFileInfoList entries =
                QDir(path).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
            for (const QFileInfo &entry : entries)
                if (IsSupportedMediaFile(entry.fileName()))
                    files << entry.absoluteFilePath();
        } else if (info.exists()) {
            // Not only plain files: anything else is refused by name, never dropped.
            files << path;
        }
    }
    return files;
}

QStringList LocalPaths(const QList<QUrl> &urls) {
    QStringList paths;
    for (const QUrl &url : urls)
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

QStringList OpenedPaths(const QStringList &arguments) {
    QStringList paths;
    for (const QString &argument : arguments) {
        if (argument.isEmpty())
            continue;
        const QUrl url(argument);
        if (url.isLocalFile())
            paths << url.toLocalFile();
        else if (!argument.contains(QStringLiteral("://")))
            paths << QFileInfo(argument).absoluteFilePath();
    }
    return paths;
}

QStringList ChooseClipFiles(QWidget *parent) {
    // The dialog opens where the user last chose files.
    static QString last_folder = QDir::homePath();
    QFileDialog dialog(parent, QStringLiteral("Open"), last_folder, MediaFileFilter());
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Named pipes, sockets and devices too: the dialog would drop them from the files chosen
    // without a word; the engine refuses them, and they are named with the other refusals.
    dialog.setFilter(dialog.filter() | QDir::System);
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    last_folder = dialog.directory().absolutePath();
    return dialog.selectedFiles();
}

ClipAdder::ClipAdder(bool &adding, EntryMaker make_entry, QObject *parent)
    : QObject(parent), adding_(adding), make_entry_(std::move(make_entry)) {}

ClipAdder::~ClipAdder() {
    stop_ = true;
    Join();
    adding_ = false;
}

void ClipAdder::Join() {
    if (thread_.joinable())
        thread_.join();
}

bool ClipAdder::Add(const QStringList &files, int32_t error_count) {
    if (adding_ || files.isEmpty() || !EngineLoaded())
        return false;
    const QString thumbnail_file = ThumbnailFileName(error_count);
    if (files.size() == 1) {
        const ClipReading reading = ReadClip(files.first(), thumbnail_file);
        Deliver(reading);
        if (reading.refusal != ClipRefusal::None)
            ShowRefusals({{reading.file, reading.refusal, reading.reason}});
        return true;
    }
    // The flag is up and the list copied before the thread runs.
    Join();
    adding_ = true;
    stop_ = false;
    thread_ = std::thread(&ClipAdder::Run, this, files, thumbnail_file);
    return true;
}

void ClipAdder::Run(QStringList files, QString thumbnail_file) {
    QList<RefusedFile> refused;
    for (const QString &file : files) {
        if (stop_)
            break;
        const ClipReading reading = ReadClip(file, thumbnail_file);
        if (reading.refusal != ClipRefusal::None) {
            refused.append({reading.file, reading.refusal, reading.reason});
            continue;
        }
        QMetaObject::invokeMethod(
            this, [this, reading] { Deliver(reading); }, Qt::QueuedConnection);
    }
    if (!stop_)
        QMetaObject::invokeMethod(
            this, [this, refused] { Finish(refused); }, Qt::QueuedConnection);
}

void ClipAdder::Deliver(const ClipReading &reading) {
    if (reading.refusal != ClipRefusal::None)
        return;
    // Making an entry lets the window handle what is pending, the next delivery included: that
    // one waits in the queue, so entries come one after another instead of inside each other.
    pending_.append(reading.clip);
    if (delivering_)
        return;
    delivering_ = true;
    try {
        while (!pending_.isEmpty()) {
            const AddedClip clip = pending_.takeFirst();
            if (make_entry_)
                make_entry_(clip);
        }
    } catch (...) {
        // The entry that failed is lost; the add goes on and ends as if it had been made. Its
        // end comes from the event loop: the error is on its way up from here.
        delivering_ = false;
        if (std::exchange(finish_waiting_, false))
            QMetaObject::invokeMethod(
                this, [this, refused = waiting_refusals_] { Finish(refused); },
                Qt::QueuedConnection);
        throw;
    }
    delivering_ = false;
    if (finish_waiting_) {
        finish_waiting_ = false;
        Finish(waiting_refusals_);
    }
}

void ClipAdder::Finish(const QList<RefusedFile> &refused) {
    if (delivering_) {
        // The end of the add is told after its last entry.
        finish_waiting_ = true;
        waiting_refusals_ = refused;
        return;
    }
    Join();
    adding_ = false;
    ShowRefusals(refused);
    emit Finished();
}

void ClipAdder::ShowRefusals(const QList<RefusedFile> &refused) {
    const QString text = RefusalMessage(refused);
    if (!text.isEmpty())
        ShowMessageBox(BoxKind::Information, text);
}
