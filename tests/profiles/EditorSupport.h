#pragma once
// A catalogue of the test's own with the program's profile editor (the global ProfileWindow)
// working on it, and a way to act in the editor while it is shown modally.

#include "TestFiles.h"
#include "common/Globals.h"
#include "ui/ProfileWindow.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_Config = dir_.path() + "/";
    }
    void TearDown() override {
        delete ProfileWindow;
        ProfileWindow = nullptr;
    }

    // Writes the catalogue and creates the editor on it. Whenever the editor is shown modally,
    // the action given to WhenEditorShows runs; a showing nobody expected fails the test and is
    // cancelled, so that no test can hang in the editor.
    void MakeCatalogue(const QByteArray &text) {
        WriteBytes(CataloguePath(), text);
        delete ProfileWindow;
        ProfileWindow = new TProfileWindow;
        auto *watch = new QTimer(ProfileWindow);
        watch->setInterval(5);
        QObject::connect(watch, &QTimer::timeout, ProfileWindow, [this] {
            if (!ProfileWindow->IsShownModal() || !ProfileWindow->isVisible())
                return;
            std::function<void()> action = std::exchange(action_, nullptr);
            shown_ = true;
            if (action)
                action();
            else
                ADD_FAILURE() << "the editor opened unasked";
            if (ProfileWindow->isVisible()) {
                ADD_FAILURE() << "the editor was left open";
                ProfileWindow->TB_CancelClick();
            }
        });
        watch->start();
    }
    QString CataloguePath() const { return dir_.path() + "/Output.dll"; }
    QByteArray Catalogue() const { return ReadBytes(CataloguePath()); }

    // What to do in the editor the next time it is shown modally (EditorWasShown tells whether
    // it was since this call).
    void WhenEditorShows(std::function<void()> action) {
        shown_ = false;
        action_ = std::move(action);
    }
    bool EditorWasShown() const { return shown_; }

    QTemporaryDir dir_;
    std::function<void()> action_;
    bool shown_ = false;
};

// An ipod section with four profiles and the choice lists of a small player.
inline QByteArray FourProfiles(const QByteArray &extra = {}) {
    return "[ipod]\n"
           "ProfileCount=4\n"
           "Profile0=Zero : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 2 "
           "Channels Stereo\n"
           "Profile1=One : Video: 640x480, 1500 kbps, 29.97 fps, Audio: 96 kbps, 22.05 khps, 1 "
           "Channel Mono\n"
           "Profile2=Two : Video: 320x240, 300 kbps, 25 fps, Audio: 96 kbps, 44.1 khps, 2 "
           "Channels Stereo\n"
           "Profile3=Three : Video: 320x240, 400 kbps, 25 fps, Audio: 96 kbps, 44.1 khps, 2 "
           "Channels Stereo\n"
           "ResolutionCount=2\nResolution0=320x240\nResolution1=640x480\nResolutionIndex=0\n"
           "VideoFrameRateCount=2\nVideoFrameRate0=25\nVideoFrameRate1=29.97\n"
           "VideoFrameRateIndex=0\n"
           "AudioQualityCount=2\nAudioQuality0=96\nAudioQuality1=128\nAudioQualityIndex=1\n"
           "AudioFrameRateCount=2\nAudioFrameRate0=22.05\nAudioFrameRate1=44.1\n"
           "AudioFrameRateIndex=1\n"
           "DefaultName=My Profile\nDefaultBitRate=640\n" +
           extra;
}
