#pragma once
// How often a long scan lets the window's messages run. Asking the window
// system whether anything is pending costs microseconds, as much as the scan
// spends on a whole entry; reading the clock costs nanoseconds. A window that
// gets its messages every few milliseconds paints and answers clicks the same
// as one that gets them after every entry, so a host asks the clock first.

#include <chrono>
#include <optional>

namespace courseview {

class PumpThrottle {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds DefaultInterval{4};

    explicit PumpThrottle(Clock::duration interval = DefaultInterval) : m_interval(interval) {}

    // True when the messages are to run now: at the first call, and then
    // whenever `interval` has passed since the last call that said so.
    bool Due(Clock::time_point now = Clock::now()) {
        if (m_lastRun && now - *m_lastRun < m_interval) return false;
        m_lastRun = now;
        return true;
    }

private:
    Clock::duration m_interval;
    std::optional<Clock::time_point> m_lastRun;  // when Due() last said yes
};

}  // namespace courseview
