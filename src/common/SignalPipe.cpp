#include "common/SignalPipe.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
// -1 once the pipe is gone: the handler then writes nowhere.
std::atomic<int> g_write_end{-1};

void OnSignal(int) {
    const int fd = g_write_end.load();
    if (fd < 0)
        return;
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(fd, &byte, 1);
}

} // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signals_to_catch, QObject *parent)
    : QObject(parent) {
    // Close-on-exec: programs started from here (players, file managers) get no copy.
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    g_write_end.store(g_pipe[1]);
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] auto got = ::read(g_pipe[0], &byte, 1);
        emit Caught();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : signals_to_catch)
        sigaction(signal_number, &action, nullptr);
}

SignalPipe::~SignalPipe() {
    if (notifier_ == nullptr)
        return;
    delete notifier_;
    notifier_ = nullptr;
    g_write_end.store(-1);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}
