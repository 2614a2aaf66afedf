// Drives the engine library the way the program does: a registered window receives message 1212,
// the report functions collect the status lines.
#pragma once

#include <encoder.h>

#include <functional>
#include <string>
#include <vector>

class EngineSession {
public:
    EngineSession();
    ~EngineSession();

    // Calls _X with the list (argv[0] is added); returns _X's result.
    int Start(const std::vector<std::string> &args);
    // Waits (up to a generous limit) until `count` end messages in all have arrived.
    bool WaitMessages(size_t count, double seconds = 120);
    // Starts the list and waits for its end message; returns the result carried by it or -1.
    int Convert(const std::vector<std::string> &args);

    std::vector<int> Results() const;
    std::vector<std::string> Lines() const;
    std::vector<int> Percents() const;
    // For each end message: how many status lines had arrived when it came.
    std::vector<size_t> LinesAtMessage() const;
    // Lets the next message start another clip from the window's handler, as the program does.
    void ChainNext(std::vector<std::string> args);
    // Calls Mydll_Stop as soon as the first status line arrives.
    void StopOnFirstLine();
    // Calls `fn` on the engine's thread as the first status line arrives.
    void OnFirstLine(std::function<void()> fn);
    // Seconds from the stop call to the end message (for the record only).
    double StopLatency() const;
    HWND Window() { return &window_; }

private:
    int window_ = 0;
};

// The argument list of 38 texts the program builds, with the values of the iPod profile.
std::vector<std::string> IpodArgs(const std::string &input, const std::string &output,
                                  const std::string &start = "00:00:01",
                                  const std::string &length = "4",
                                  const std::string &format = "mp4", int pad_top = 0,
                                  int pad_bottom = 0, int pad_left = 0, int pad_right = 0);
