// The self-pipe behind the ending signals.
#include "runtime/ending_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace tessel {

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipe_ends[2] = {-1, -1};
std::atomic<int> received{0};

extern "C" void ending_signal_arrived(int signal) {
    const int saved_errno = errno;
    int expected = 0;
    if (!received.compare_exchange_strong(expected, signal)) {
        // Asked again while the first is handled: end now.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    }
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(pipe_ends[1], &byte, 1);
    // Should the loop never get to it, the program still ends.
    ::alarm(20);
    errno = saved_errno;
}

}  // namespace

int watch_ending_signals() {
    if (pipe_ends[0] >= 0) return pipe_ends[0];
    if (::pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    for (int signal : kEndingSignals) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = ending_signal_arrived;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
    return pipe_ends[0];
}

int take_ending_signal() {
    unsigned char byte = 0;
    while (::read(pipe_ends[0], &byte, 1) == 1) {
    }
    return received.load();
}

void end_by_signal(int signal) {
    ::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace tessel
