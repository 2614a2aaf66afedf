#pragma once
// A progress window with its run, clip list and profile list, as the main window wires them,
// with the real engine loaded from the program folder. Message boxes and the opening of the
// output folder are recorded instead of shown.

#include "common/MessagePort.h"
#include "controls/ListPanel.h"
#include "desktop/MessageBox.h"
#include "engine/ConversionRun.h"
#include "model/ClipList.h"
#include "progress/ProgressWindow.h"

#include <QComboBox>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>

namespace run_test {

inline const QString kProfile = "Small : Video: 176x144, 300 kbps, 25 fps, Audio: 64 kbps, "
                                "22.05 khps, 1 Channel Mono";

struct Box {
    BoxKind kind;
    QString text;
};

class RunSetup {
public:
    RunSetup();
    ~RunSetup();

    // A clip of the list for a media file, with the details the engine reads from it. Start and
    // stop default to the whole clip. Returns its index.
    int32_t AddClip(const QString &path, int32_t start = -1, int32_t stop = -1);
    // A clip with made-up details (the file need not exist).
    int32_t AddMadeUpClip(const QString &path, int32_t duration, int32_t start, int32_t stop);
    // The profile list: the profile, then "Add my profile...", the profile chosen.
    void ChooseProfile(const QString &text = kProfile);

    // Presses the start button and waits until the run is over (false on timeout).
    bool StartAndWait(int timeout_ms = 120000);
    bool WaitForEnd(int timeout_ms = 120000);
    QStringList OutputFiles() const;
    QStringList BoxTexts() const;
    // Saves a picture of the window when MAVO_SHOTS_DIR names a folder.
    void Shot(const QString &name);

    QTemporaryDir out;
    QString folder; // the output folder, with its separator
    std::vector<Box> boxes;
    QStringList opened;
    std::unique_ptr<TProgressWindow> window;
    std::unique_ptr<ClipList> list;
    std::unique_ptr<QComboBox> profiles;
    std::unique_ptr<ConversionRun> run;
    std::unique_ptr<MessagePort> port;
};

// A left click in the middle of a button, as the user gives it.
void Press(QWidget *button);

// A media file made with the ffmpeg command line (cached with the engine's fixtures).
QString Media(const std::string &name);
// A clip of the given length in seconds made for these tests: 640x480 pictures with sound.
QString LongClip(int seconds);

} // namespace run_test
