#include "pilot/QuitSignals.h"

#include <csignal>

namespace quit_signals {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCount = sizeof kSignals / sizeof kSignals[0];

volatile std::sig_atomic_t first = 0;
struct sigaction before[kCount];

// Async-signal-safe: a store, or sigaction and raise.
void note(int signal) {
    if (first == 0) {
        first = signal;
        return;
    }
    for (int i = 0; i < kCount; ++i) {
        if (kSignals[i] == signal) {
            ::sigaction(signal, &before[i], nullptr);
            ::raise(signal); // delivered now: this handler runs with SA_NODEFER
        }
    }
}

} // namespace

void install() {
    for (int i = 0; i < kCount; ++i) {
        if (::sigaction(kSignals[i], nullptr, &before[i]) != 0 || before[i].sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction noting {};
        noting.sa_handler = note;
        sigemptyset(&noting.sa_mask);
        noting.sa_flags = SA_NODEFER | SA_RESTART;
        ::sigaction(kSignals[i], &noting, nullptr);
    }
}

int received() { return first; }

} // namespace quit_signals
