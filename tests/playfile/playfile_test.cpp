// The player library on its own, without a display: mpv runs with no video and no audio output
// and must still send every event.

#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

// Set in the child of the death test HostMayEndWhileAClipPlays, which ends on purpose without
// releasing the player: what the player holds then is not a leak. The address build's leak check
// asks this at exit.
static bool g_ends_without_release = false;
extern "C" int __lsan_is_turned_off() {
    return g_ends_without_release ? 1 : 0;
}

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PlayerInit(sink.Handle()), 1); }
    void TearDown() override {
        PlayerStop();
        PlayerRelease();
    }

    // Opens a clip and waits for event 3.
    PlayerEvent Open(const std::string &path) {
        const size_t from = sink.Count();
        EXPECT_EQ(PlayerOpen(path.c_str(), 0), 1);
        auto opened = sink.WaitFor(PLAYFILE_EVENT_OPENED, from);
        EXPECT_TRUE(opened) << "no event 3 for " << path;
        return opened.value_or(PlayerEvent{});
    }

    EventSink sink;
};

TEST_F(PlayerTest, EventsOfOpenPlayPauseResumeAndEndComeInOrder) {
    const std::string clip = AudioVideoClip();
    ASSERT_FALSE(clip.empty());
    const PlayerEvent opened = Open(clip);
    EXPECT_NEAR(opened.duration, 3.0, 0.1);
    EXPECT_EQ(opened.seekable, 1);
    EXPECT_EQ(sink.EventNumbers(), std::vector<int>{PLAYFILE_EVENT_OPENED});
    EXPECT_EQ(sink.Events()[0].msg, 1158u);

    ASSERT_EQ(PlayerPlay(1.0), 1);
    auto playing = sink.WaitFor(PLAYFILE_EVENT_PLAYING);
    ASSERT_TRUE(playing);
    EXPECT_EQ(playing->value, 0);

    // The position rises in seconds and in percent, and both agree.
    std::optional<Position> first;
    ASSERT_TRUE(WaitUntil([&] { return (first = GetPosition()) && first->seconds > 0.2; }));
    std::optional<Position> later;
    ASSERT_TRUE(WaitUntil(
        [&] { return (later = GetPosition()) && later->seconds > first->seconds + 0.3; }));
    EXPECT_GT(later->percent, first->percent);
    EXPECT_NEAR(later->percent, later->seconds / 3.0 * 100.0, 5.0);
    EXPECT_LT(later->seconds, 2.5);

    // Paused: event 4, and the position stands still.
    const size_t before_pause = sink.Count();
    PlayerPause();
    auto paused = sink.WaitFor(PLAYFILE_EVENT_PAUSED, before_pause);
    ASSERT_TRUE(paused);
    EXPECT_EQ(paused->value, 0);
    std::this_thread::sleep_for(200ms);
    const auto held = GetPosition();
    ASSERT_TRUE(held);
    std::this_thread::sleep_for(400ms);
    const auto still = GetPosition();
    ASSERT_TRUE(still);
    EXPECT_DOUBLE_EQ(still->seconds, held->seconds);

    // Resumed and played to the end.
    const size_t before_resume = sink.Count();
    ASSERT_EQ(PlayerPlay(1.0), 1);
    ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PLAYING, before_resume));
    auto ended = sink.WaitFor(PLAYFILE_EVENT_ENDED, before_resume);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->value, -1);
    const auto at_end = GetPosition();
    ASSERT_TRUE(at_end);
    EXPECT_NEAR(at_end->seconds, 3.0, 0.2);
    EXPECT_NEAR(at_end->percent, 100.0, 5.0);

    const std::vector<int> expected{PLAYFILE_EVENT_OPENED, PLAYFILE_EVENT_PLAYING,
                                    PLAYFILE_EVENT_PAUSED, PLAYFILE_EVENT_PLAYING,
                                    PLAYFILE_EVENT_ENDED};
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sink.EventNumbers(), expected);
    for (const PlayerEvent &e : sink.Events())
        EXPECT_EQ(e.msg, 1158u) << "the player sends no other message";
}

TEST_F(PlayerTest, ClipWithoutSoundPlaysToTheEnd) {
    const std::string clip = VideoOnlyClip();
    ASSERT_FALSE(clip.empty());
    const PlayerEvent opened = Open(clip);
    EXPECT_NEAR(opened.duration, 2.0, 0.1);
    ASSERT_EQ(PlayerPlay(1.0), 1);
    auto ended = sink.WaitFor(PLAYFILE_EVENT_ENDED);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->value, -1);
}

TEST_F(PlayerTest, SeekLandsNearTheTargetPausedAndWhilePlaying) {
    const std::string clip = AudioVideoClip();
    ASSERT_FALSE(clip.empty());
    const PlayerEvent opened = Open(clip);
    ASSERT_GT(opened.duration, 2.0);

    // Paused: the clip has a key frame only at its start, so landing at half means decoding up
    // to the target instead of snapping to a key frame.
    const double half = opened.duration * 50.0 * 0.01;
    PlayerSeek(half);
    std::optional<Position> p;
    EXPECT_TRUE(WaitUntil([&] { return (p = GetPosition()) && std::abs(p->seconds - half) < 0.5; }))
        << "position " << (p ? p->seconds : -1.0);
    EXPECT_NEAR(p->percent, 50.0, 17.0);

    // Playing: back to a quarter, and playback goes on from there.
    ASSERT_EQ(PlayerPlay(1.0), 1);
    ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PLAYING));
    const double quarter = opened.duration * 0.25;
    PlayerSeek(quarter);
    EXPECT_TRUE(WaitUntil([&] {
        return (p = GetPosition()) && std::abs(p->seconds - quarter) < 0.5;
    })) << "position "
        << (p ? p->seconds : -1.0);

    // Out of range targets are held to the clip.
    PlayerPause();
    PlayerSeek(-10.0);
    EXPECT_TRUE(WaitUntil([&] { return (p = GetPosition()) && p->seconds < 0.5; }));
    PlayerSeek(std::nan(""));
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(GetPosition());
}

TEST_F(PlayerTest, UnplayableFilesGiveEventFiveAndLeaveThePlayerClosed) {
    const std::string garbage = GarbageFile();
    const std::string text =
        std::string(MAVO_FIXTURE_DIR) + "/notes-" + std::to_string(::getpid()) + ".mpg";
    {
        std::ofstream out(text);
        out << "just a few words\n";
    }
    struct Case {
        std::string path;
        int open_result;
    };
    const Case cases[] = {
        {garbage, 1},                                        // mpv tries and fails
        {text, 1},                                           // not a playlist either
        {std::string(MAVO_FIXTURE_DIR) + "/missing.avi", 0}, // refused at once
        {MAVO_FIXTURE_DIR, 0},                               // a folder is no clip
        {"", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        const size_t from = sink.Count();
        EXPECT_EQ(PlayerOpen(c.path.c_str(), 0), c.open_result);
        auto failed = sink.WaitFor(PLAYFILE_EVENT_FAILED, from);
        ASSERT_TRUE(failed);
        EXPECT_EQ(failed->value, 0);
        // Closed: nothing plays, there is no position, and no further event comes.
        EXPECT_EQ(PlayerPlay(1.0), 0);
        PlayerPause();
        PlayerSeek(1.0);
        EXPECT_FALSE(GetPosition());
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(sink.Count(), from + 1);
    }
    EXPECT_EQ(PlayerOpen(nullptr, 0), 0);

    // The player still opens a good clip afterwards.
    const PlayerEvent opened = Open(AudioVideoClip());
    EXPECT_NEAR(opened.duration, 3.0, 0.1);
    std::filesystem::remove(garbage);
    std::filesystem::remove(text);
}

TEST_F(PlayerTest, OpeningAnotherClipReplacesTheFirstWithoutItsEvents) {
    const std::string three = AudioVideoClip();
    const std::string two = VideoOnlyClip();
    ASSERT_EQ(PlayerOpen(three.c_str(), 0), 1);
    ASSERT_EQ(PlayerPlay(1.0), 1);
    ASSERT_EQ(PlayerOpen(two.c_str(), 0), 1);
    const size_t from = sink.Count();
    auto opened = sink.WaitFor(PLAYFILE_EVENT_OPENED, from);
    ASSERT_TRUE(opened);
    EXPECT_NEAR(opened->duration, 2.0, 0.1);
    std::this_thread::sleep_for(500ms);
    const auto events = sink.Events();
    ASSERT_GE(events.size(), from + 1);
    EXPECT_EQ(events.size(), from + 1) << "only the second clip's event 3 after its open";
}

TEST(PlayerLifecycle, RefusesWithoutAnEventWindow) {
    EXPECT_EQ(PlayerInit(nullptr), 0);
    int unknown = 0;
    EXPECT_EQ(PlayerInit(&unknown), 0) << "a window the message layer does not know";

    // Without PlayerInit nothing opens and nothing is posted anywhere.
    EventSink sink;
    PlayerRelease();
    EXPECT_EQ(PlayerOpen(AudioVideoClip().c_str(), 0), 0);
    EXPECT_EQ(PlayerPlay(1.0), 0);
    EXPECT_FALSE(GetPosition());
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sink.Count(), 0u);
}

TEST(PlayerLifecycle, StopAndReleaseAreSafeInEveryStateAndTwice) {
    const std::string clip = AudioVideoClip();
    EventSink sink;
    auto stop_twice = [] {
        PlayerStop();
        PlayerStop();
        PlayerRelease();
        PlayerRelease();
        EXPECT_EQ(PlayerPlay(1.0), 0);
        EXPECT_FALSE(GetPosition());
    };
    // Never initialised.
    stop_twice();
    // Initialised, nothing open.
    ASSERT_EQ(PlayerInit(sink.Handle()), 1);
    stop_twice();
    // While opening.
    ASSERT_EQ(PlayerInit(sink.Handle()), 1);
    ASSERT_EQ(PlayerOpen(clip.c_str(), 0), 1);
    stop_twice();
    // Opened, playing, paused, at the end, failed.
    for (int state = 0; state < 5; ++state) {
        SCOPED_TRACE(state);
        ASSERT_EQ(PlayerInit(sink.Handle()), 1);
        size_t from = sink.Count();
        const std::string path = state == 4 ? GarbageFile() : clip;
        ASSERT_EQ(PlayerOpen(path.c_str(), 0), 1);
        ASSERT_TRUE(sink.WaitFor(state == 4 ? PLAYFILE_EVENT_FAILED : PLAYFILE_EVENT_OPENED, from));
        if (state == 1 || state == 2 || state == 3) {
            from = sink.Count();
            ASSERT_EQ(PlayerPlay(state == 3 ? 4.0 : 1.0), 1);
            ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PLAYING, from));
        }
        if (state == 2) {
            PlayerPause();
            ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PAUSED, from));
        }
        if (state == 3) {
            ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_ENDED, from));
        }
        if (state == 1) {
            // Stop alone, then the rest.
            PlayerStop();
            EXPECT_EQ(PlayerPlay(1.0), 0);
        }
        stop_twice();
    }
}

TEST(PlayerLifecycle, NothingIsPostedAfterReleaseReturns) {
    const std::string clip = AudioVideoClip();
    EventSink sink;
    // Released at different moments: right after the open, as the clip becomes ready, while it
    // plays, while play and pause requests are still on their way.
    for (int moment = 0; moment < 4; ++moment) {
        SCOPED_TRACE(moment);
        ASSERT_EQ(PlayerInit(sink.Handle()), 1);
        const size_t from = sink.Count();
        ASSERT_EQ(PlayerOpen(clip.c_str(), 0), 1);
        if (moment >= 1) {
            ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_OPENED, from));
        }
        if (moment >= 2)
            PlayerPlay(1.0);
        if (moment == 2) {
            ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PLAYING, from));
        }
        if (moment == 3) {
            PlayerPause();
            PlayerPlay(1.0);
            PlayerSeek(1.0);
        }
        PlayerStop();
        PlayerRelease();
        const size_t at_release = sink.Count();
        std::this_thread::sleep_for(700ms);
        EXPECT_EQ(sink.Count(), at_release);
    }
}

TEST(PlayerLifecycle, HostMayEndWhileAClipPlays) {
    const std::string clip = AudioVideoClip();
    EXPECT_EXIT(
        {
            EventSink sink;
            PlayerInit(sink.Handle());
            PlayerOpen(clip.c_str(), 0);
            sink.WaitFor(PLAYFILE_EVENT_OPENED);
            PlayerPlay(1.0);
            sink.WaitFor(PLAYFILE_EVENT_PLAYING);
            g_ends_without_release = true;
            std::exit(0); // without PlayerRelease
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
