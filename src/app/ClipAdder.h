#pragma once
// Adding clips to the list: the engine reads each chosen file's details and thumbnail, files the
// program cannot show are refused and named, and the finished records reach the user-interface
// thread, where the list entries are made. One file is added before Add returns; several are
// read on the add-files thread, in the order they were chosen, while the window keeps working.

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <array>
#include <atomic>
#include <cstdint>
#include <encoder.h>

#include "model/ClipList.h"
#include <functional>
#include <thread>

class QWidget;

// What the engine told of a clip, copied into the list's record, and its decoded thumbnail.
struct AddedClip {
    ClipRecord record;
    QImage picture;
};

// Why a chosen file did not become a clip.
enum class ClipRefusal {
    None,
    UnsupportedVideo, // a video format the program does not take (RealVideo)
    NoVideo,          // the file has no video stream
    Unreadable,       // the engine could not open it
    TooSlow,          // its headers could not be read in time
    NoPicture,        // no usable thumbnail came back
    UnreadableCodec,  // a video stream of a codec the engine has no decoder for
};

struct ClipReading {
    QString file; // as chosen
    ClipRefusal refusal = ClipRefusal::None;
    AddedClip clip;   // filled when not refused
    QString reason{}; // the engine's own words for the refusal, when it has them
};

struct RefusedFile {
    QString file;
    ClipRefusal refusal = ClipRefusal::None;
    QString reason{}; // shown instead of the refusal's own text when given
};

// The thumbnail file the engine writes for the clip being added.
QString ThumbnailFileName(int32_t error_count);
// Reads one file through the engine: details, the refusal rule, the thumbnail (which is deleted
// before it is asked for and after it was read). Touches no widget; runs on any thread.
ClipReading ReadClip(const QString &path, const QString &thumbnail_file);
// The reason as the box shows it ("no video stream" ...).
QString RefusalReason(ClipRefusal refusal);
// The text of the one box after an add that refused files; empty when none was refused.
QString RefusalMessage(const QList<RefusedFile> &refused);

// The open dialog's filter: the supported media files first, then all files.
QString MediaFileFilter();
// Whether a file name has one of the supported media extensions (any case).
bool IsSupportedMediaFile(const QString &name);
// The local files among dropped addresses.
QStringList LocalPaths(const QList<QUrl> &urls);
// The files the program is opened with: plain paths (made absolute from the working folder)
// and file:// addresses; other addresses are left out.
QStringList OpenedPaths(const QStringList &arguments);
// What a drop of these paths adds: files as they are, and for each folder the supported files
// directly inside it, by name. Other paths (gone, not local) are left out.
QStringList FilesToAdd(const QStringList &dropped);

// Runs the open dialog (several files may be chosen); empty when the user cancels.
QStringList ChooseClipFiles(QWidget *parent);

class ClipAdder : public QObject {
    Q_OBJECT
public:
    // Makes the list entry for a clip; always called on the user-interface thread.
    using EntryMaker = std::function<void(const AddedClip &clip)>;

    // adding: the window's flag, true while a multi-file add runs (only this thread writes it).
    ClipAdder(bool &adding, EntryMaker make_entry, QObject *parent = nullptr);
    // A running add stops after the file it is reading; the destructor waits for that.
    ~ClipAdder() override;

    // Adds the files in this order; false, and nothing happens, while an add runs or for no
    // files. error_count numbers the thumbnail file.
    bool Add(const QStringList &files, int32_t error_count);
    bool Adding() const { return adding_; }

signals:
    // A multi-file add has delivered its last entry and shown its refusals.
    void Finished();

private:
    void Run(QStringList files, QString thumbnail_file);
    void Deliver(const ClipReading &reading);
    void Finish(const QList<RefusedFile> &refused);
    void ShowRefusals(const QList<RefusedFile> &refused);
    void Join();

    bool &adding_;
    EntryMaker make_entry_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    // Entries made on the user-interface thread, one at a time.
    QList<AddedClip> pending_;
    bool delivering_ = false;
    bool finish_waiting_ = false;
    QList<RefusedFile> waiting_refusals_;
};
