// The saved clip list: what a crash leaves is read back whole or not at all, is offered once,
// and belongs to one running program.
#include "model/SavedList.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

SavedList ListWithACutRun() {
    SavedList list;
    list.Clips = {{"/v/party.avi", 3, 40, false},
                  {"/v/long ß.avi", 0, 61, true, 1, "burn:2"},
                  {"/v/garden.mov", 0, 6, false}};
    list.DeviceType = 4;
    list.Profile = "MP4 : Video: 320x240, 768 kbps";
    list.RunCut = true;
    list.RunClip = 1;
    list.RunFolder = "/home/me/MavoOutput/";
    list.RunDone = {{"/v/party.avi",
                     "/home/me/MavoOutput/party.MP4",
                     ClipOutcome::Finished,
                     {},
                     "plays on MP4 player"}};
    return list;
}

void Write(const QString &path, const QByteArray &text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST(SavedList, ReadsBackWhatItWroteAndRefusesATornOrDamagedText) {
    const QByteArray text = ListWithACutRun().ToJson();
    QString reason;
    const std::optional<SavedList> back = SavedList::FromJson(text, &reason);
    ASSERT_TRUE(back) << reason.toStdString();
    ASSERT_EQ(back->Clips.size(), 3);
    EXPECT_EQ(back->Clips[1].FileName, "/v/long ß.avi");
    EXPECT_EQ(back->Clips[0].StartTime, 3);
    EXPECT_EQ(back->Clips[0].StopTime, 40);
    EXPECT_TRUE(back->Clips[1].Selected);
    EXPECT_EQ(back->Clips[1].SoundTrack, 1);
    EXPECT_EQ(back->Clips[0].SoundTrack, -1);
    EXPECT_EQ(back->Clips[1].Subtitles, "burn:2");
    EXPECT_EQ(back->DeviceType, 4);
    EXPECT_EQ(back->Profile, "MP4 : Video: 320x240, 768 kbps");
    EXPECT_TRUE(back->RunCut);
    EXPECT_EQ(back->RunClip, 1);
    EXPECT_EQ(back->RunFolder, "/home/me/MavoOutput/");
    ASSERT_EQ(back->RunDone.size(), 1);
    EXPECT_EQ(back->RunDone[0].Outcome, ClipOutcome::Finished);
    EXPECT_EQ(back->RunDone[0].Output, "/home/me/MavoOutput/party.MP4");
    // The verdict comes back too: a resumed run whose every file plays says so.
    RunSummary resumed{false, back->RunDone};
    EXPECT_EQ(resumed.PlaysLine(), "Every file was read back: plays on MP4 player");

    // Torn at any point, the text is no list.
    for (qsizetype cut : {qsizetype{0}, qsizetype{1}, text.size() / 2, text.size() - 1})
        EXPECT_FALSE(SavedList::FromJson(text.left(cut), nullptr)) << cut;
    // Whole but damaged: a stop before the start, a run past the list, a clip without a file.
    QByteArray damaged = text;
    damaged.replace("\"stop\":40", "\"stop\":2");
    EXPECT_FALSE(SavedList::FromJson(damaged, &reason));
    EXPECT_EQ(reason, "a clip in it is damaged");
    damaged = text;
    damaged.replace("\"clip\":1", "\"clip\":3");
    EXPECT_FALSE(SavedList::FromJson(damaged, &reason));
    EXPECT_EQ(reason, "its run is damaged");
    damaged = text;
    damaged.replace("\"sound_track\":1", "\"sound_track\":-7");
    EXPECT_FALSE(SavedList::FromJson(damaged, nullptr));
    // A list saved before the choice was kept reads as no choice.
    QByteArray older = text;
    older.replace(",\"sound_track\":1", "");
    ASSERT_TRUE(SavedList::FromJson(older, nullptr));
    EXPECT_EQ(SavedList::FromJson(older, nullptr)->Clips[1].SoundTrack, -1);
    damaged = text;
    damaged.replace("\"/v/garden.mov\"", "\"\"");
    EXPECT_FALSE(SavedList::FromJson(damaged, nullptr));
}

TEST(ListKeeper, TheLeftoverIsOfferedOnceAndADamagedOneWithANote) {
    QTemporaryDir dir;
    {
        ListKeeper crashed(dir.path());
        ASSERT_TRUE(crashed.Lock());
        ASSERT_TRUE(crashed.Save(ListWithACutRun()));
        // A second program finds the list locked: it neither takes nor writes it.
        ListKeeper other(dir.path());
        EXPECT_FALSE(other.Lock());
        EXPECT_FALSE(other.ReadLeftover(nullptr));
        EXPECT_FALSE(other.Save(SavedList{}));
        // The first ends without a normal close (its lock is gone with it).
    }
    ListKeeper next(dir.path());
    ASSERT_TRUE(next.Lock());
    QString note;
    const std::optional<SavedList> left = next.ReadLeftover(&note);
    ASSERT_TRUE(left);
    EXPECT_TRUE(note.isEmpty());
    EXPECT_EQ(left->Clips.size(), 3);
    // Until it is answered (a crash with the question open) it is there to offer again.
    EXPECT_TRUE(next.ReadLeftover(nullptr));
    next.SetAside();
    EXPECT_FALSE(next.ReadLeftover(nullptr)) << "set aside, never offered again";

    Write(next.FilePath(), ListWithACutRun().ToJson().left(50));
    EXPECT_FALSE(next.ReadLeftover(&note));
    EXPECT_TRUE(note.contains("was not restored: it is not whole")) << note.toStdString();
    EXPECT_TRUE(QFile::exists(next.FilePath() + ".old"));

    // A normal close leaves nothing to offer.
    ASSERT_TRUE(next.Save(ListWithACutRun()));
    next.Remove();
    EXPECT_FALSE(QFile::exists(next.FilePath()));
}

// Containers and sandboxes give a new program the id a crashed one had: the lock it left names
// a running process of the same name, and is still the crashed one's.
TEST(ListKeeper, ALockLeftByAnEarlierProcessOfTheSameIdIsTakenOver) {
    QTemporaryDir dir;
    const QString lock = dir.filePath("ClipList.lock");
    const QString owner = dir.filePath("ClipList.owner");
    QByteArray lock_text;
    {
        ListKeeper crashed(dir.path());
        ASSERT_TRUE(crashed.Lock());
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        lock_text = file.readAll();
    }
    // The lock as the crash left it, and the note of a process of this id that started earlier.
    Write(lock, lock_text);
    QFile noted(owner);
    ASSERT_TRUE(noted.open(QIODevice::ReadOnly));
    QList<QByteArray> stamp = noted.readAll().split(' ');
    noted.close();
    ASSERT_EQ(stamp.size(), 3);
    stamp[2] = QByteArray::number(stamp[2].toLongLong() - 1);
    Write(owner, stamp.join(' '));

    ListKeeper next(dir.path());
    EXPECT_TRUE(next.Lock());
    EXPECT_TRUE(next.Save(ListWithACutRun()));
    // The lock of the process that noted itself holds.
    ListKeeper other(dir.path());
    EXPECT_FALSE(other.Lock());
}
