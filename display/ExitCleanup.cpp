#include "ExitCleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace courseview {

namespace {

// A viewer owns a page and its temporary in each of a few places.
constexpr int SlotCount = 32;

enum SlotState : int { Free, Claimed, Absent, Present };

struct Slot {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the states");

Slot g_slots[SlotCount];

const int TerminatingSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

void RemoveAndEnd(int signalNumber) {
    const int savedErrno = errno;
    RemoveFilesLeftToClean();
    errno = savedErrno;
    // The handler was installed to run once: the signal, raised again, is
    // delivered when the handler returns and ends the process as it would have.
    ::raise(signalNumber);
}

}  // namespace

CleanupEntry::CleanupEntry(const std::string& path) : m_slot(-1) {
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < SlotCount; ++i) {
        int expected = Free;
        if (!g_slots[i].state.compare_exchange_strong(expected, Claimed)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(Absent);
        m_slot = i;
        return;
    }
}

CleanupEntry::~CleanupEntry() {
    if (m_slot >= 0) g_slots[m_slot].state.store(Free);
}

void CleanupEntry::SetPresent(bool present) {
    if (m_slot >= 0) g_slots[m_slot].state.store(present ? Present : Absent);
}

void RemoveFilesLeftToClean() {
    for (Slot& slot : g_slots) {
        if (slot.state.load() == Present) ::unlink(slot.path);
    }
}

void CleanUpWhenTheProcessEnds() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::atexit(RemoveFilesLeftToClean);
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : TerminatingSignals) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (::sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace courseview
