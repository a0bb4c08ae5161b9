#pragma once
// How often a long scan lets the window's messages run. Asking the window
// system whether anything is pending costs microseconds, as much as the scan
// spends on a whole entry; reading the clock costs nanoseconds. A window that
// gets its messages every few milliseconds paints and answers clicks the same
// as one that gets them after every entry, so a host asks the clock first.

#include <chrono>

namespace courseview {

class PumpThrottle {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds DefaultInterval{4};

    explicit PumpThrottle(Clock::duration interval = DefaultInterval) : m_interval(interval) {}

    // True when the messages are to run now: at the first call, and then
    // whenever `interval` has passed since the last call that said so.
    bool Due(Clock::time_point now = Clock::now()) {
        if (m_said && now - m_last < m_interval) return false;
        m_said = true;
        m_last = now;
        return true;
    }

private:
    Clock::duration m_interval;
    Clock::time_point m_last{};
    bool m_said = false;
};

}  // namespace courseview
