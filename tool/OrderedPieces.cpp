#include "OrderedPieces.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace courseview {

namespace {

// How many pieces may be formatted ahead of the one handed on next.
constexpr std::size_t Window = 4;

class Pieces {
public:
    Pieces(std::size_t count, const std::function<void(std::size_t, std::string&)>& format)
        : m_count(count), m_format(format), m_texts(Window), m_ready(Window, false) {}

    // The helper thread: formats what it may until nothing is left.
    void Help() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_next >= m_count || MayFormat(); });
            if (m_next >= m_count) return;
            FormatNext(lock);
        }
    }

    // This thread: hands the pieces on in order, formatting one itself
    // whenever the next to hand on is not ready yet.
    void Deliver(const std::function<void(std::string_view)>& deliver) {
        std::string text;
        for (std::size_t i = 0; i < m_count; ++i) {
            {
                std::unique_lock lock(m_mutex);
                while (!m_ready[i % Window]) {
                    if (MayFormat()) {
                        FormatNext(lock);
                    } else {
                        m_changed.wait(lock);
                    }
                }
                text.swap(m_texts[i % Window]);
                m_ready[i % Window] = false;
                ++m_delivered;
            }
            m_changed.notify_all();
            deliver(text);
        }
    }

private:
    bool MayFormat() const { return m_next < m_count && m_next < m_delivered + Window; }

    void FormatNext(std::unique_lock<std::mutex>& lock) {
        const std::size_t i = m_next++;
        std::string text = std::move(m_texts[i % Window]);
        lock.unlock();
        text.clear();
        m_format(i, text);
        lock.lock();
        m_texts[i % Window] = std::move(text);
        m_ready[i % Window] = true;
        m_changed.notify_all();
    }

    const std::size_t m_count;
    const std::function<void(std::size_t, std::string&)>& m_format;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_texts;  // a piece's text waits in slot i % Window
    std::vector<bool> m_ready;
    std::size_t m_next = 0;       // the next piece to format
    std::size_t m_delivered = 0;  // the pieces handed on so far
};

}  // namespace

void FormatPiecesInOrder(std::size_t count,
                         const std::function<void(std::size_t, std::string&)>& format,
                         const std::function<void(std::string_view)>& deliver) {
    Pieces pieces(count, format);
    std::optional<std::thread> helper;
    // A short text is done before a thread would have started.
    if (count > Window && std::thread::hardware_concurrency() > 1) {
        try {
            helper.emplace([&pieces] { pieces.Help(); });
        } catch (const std::system_error&) {
            // No thread to be had: this one formats everything.
        }
    }
    pieces.Deliver(deliver);
    if (helper) helper->join();
}

}  // namespace courseview
