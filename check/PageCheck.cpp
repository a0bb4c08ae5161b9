#include "PageCheck.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "CodePageDependence.h"
#include "HtmlTextReader.h"
#include "PageEncoding.h"

namespace courseview {

namespace {

constexpr std::size_t ChunkBytes = 256 * 1024;
static_assert(ChunkBytes > DisplayDecisionBytes, "the first chunk decides the encoding");

// UTF-16 turned into units by hand: a converter would cost more than reading
// the page. A lone surrogate stays as it is, as a browser keeps it; half a
// unit at the page's end is U+FFFD.
std::size_t DecodeUtf16(std::string_view bytes, bool atEnd, bool bigEndian, std::u16string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t pairs = bytes.size() / 2;
    out.resize(pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        const unsigned one = data[2 * i];
        const unsigned other = data[2 * i + 1];
        out[i] = static_cast<char16_t>(bigEndian ? one << 8 | other : other << 8 | one);
    }
    if (atEnd && bytes.size() % 2 == 1) {
        out.push_back(u'\uFFFD');
        return bytes.size();
    }
    return 2 * pairs;
}

}  // namespace

std::size_t PageCheck::Decode(const CodePage& decoder, std::string_view bytes, bool atEnd) {
    m_units.clear();
    if (m_utf16 != Utf16::No)
        return DecodeUtf16(bytes, atEnd, m_utf16 == Utf16::BigEndian, m_units);
    return decoder.DecodePrefix(bytes, atEnd, m_units);
}

PageCheck::PageCheck(LinkCheck& links, const CodePage& systemCodePage)
    : m_links(links), m_systemCodePage(systemCodePage), m_buffer(ChunkBytes, '\0') {}

// Reads on behind what the buffer holds until it is full or the page, or
// its checked part, ends.
void PageCheck::Fill() {
    while (!m_atEnd && m_size < m_buffer.size()) {
        const std::uint64_t at = m_bufferStart + m_size;
        const std::uint64_t allowed = at < MaximumPageBytes ? MaximumPageBytes - at : 0;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_buffer.size() - m_size, allowed));
        const std::size_t got = want == 0 ? 0 : m_file.ReadAt(at, m_buffer.data() + m_size, want);
        if (got == 0) m_atEnd = true;
        m_size += got;
    }
}

// Hands the page's bytes from `from` on to `take(bytes, atEnd)` a chunk at a
// time. `take` returns how many it used, the rest coming again in front of
// the next chunk, or npos to stop.
template <typename Take>
void PageCheck::Stream(std::size_t from, Take take) {
    if (from < m_bufferStart || from > m_bufferStart + m_size) {
        m_bufferStart = from;
        m_size = 0;
        m_atEnd = false;
        Fill();
    }
    std::size_t at = static_cast<std::size_t>(from - m_bufferStart);
    for (;;) {
        const std::string_view bytes(m_buffer.data() + at, m_size - at);
        const std::size_t used = take(bytes, m_atEnd);
        if (used == std::string_view::npos || m_atEnd) return;
        const std::size_t left = bytes.size() - std::min(used, bytes.size());
        if (left == m_buffer.size()) return;  // a full chunk and no character in it: no way on
        std::memmove(m_buffer.data(), bytes.data() + bytes.size() - left, left);
        m_bufferStart += at + bytes.size() - left;
        m_size = left;
        at = 0;
        Fill();
    }
}

bool PageCheck::MayHoldLink(const CodePage& decoder, std::size_t textStart) {
    if (!m_useFilter) return true;
    m_filter.StartPage();
    bool mayHold = false;
    if (decoder.KeepsAscii()) {
        // Markup is ASCII and reads as such in these bytes: no decoding needed.
        Stream(textStart, [&](std::string_view bytes, bool) {
            const void* zero = std::memchr(bytes.data(), '\0', bytes.size());
            if (zero != nullptr)
                bytes = bytes.substr(0, static_cast<const char*>(zero) - bytes.data());
            mayHold = m_filter.MayHoldLink(bytes);
            return mayHold || zero != nullptr ? std::string_view::npos : bytes.size();
        });
        return mayHold;
    }
    Stream(textStart, [&](std::string_view bytes, bool atEnd) {
        const std::size_t used = Decode(decoder, bytes, atEnd);
        const std::size_t zero = m_units.find(u'\0');
        if (zero != std::u16string::npos) m_units.resize(zero);
        mayHold = m_filter.MayHoldLink(m_units);
        return mayHold || zero != std::u16string::npos ? std::string_view::npos : used;
    });
    return mayHold;
}

void PageCheck::CheckLinks(const CodePage& decoder, std::size_t textStart, const std::string& path,
                           const ProblemSink& sink) {
    LinkReader links([&](const HtmlAttribute& link) {
        if (auto problem = m_links.Check(link, path, &decoder)) sink(*problem);
    });
    HtmlTextReader reader(links);
    Stream(textStart, [&](std::string_view bytes, bool atEnd) {
        const std::size_t used = Decode(decoder, bytes, atEnd);
        const std::size_t zero = m_units.find(u'\0');
        if (zero != std::u16string::npos) m_units.resize(zero);
        reader.Feed(m_units);
        return zero != std::u16string::npos ? std::string_view::npos : used;
    });
    reader.Finish();
}

bool PageCheck::Check(const std::string& path, const ProblemSink& sink) {
    // Closes the page on every way out, errors included.
    struct Closer {
        InputFile& file;
        ~Closer() { file.Close(); }
    } closer{m_file};
    PageEncoding encoding;
    const CodePage* decoder = nullptr;
    try {
        m_file.Open(path);
        m_bufferStart = 0;
        m_size = 0;
        m_atEnd = false;
        Fill();
        const std::string_view head(m_buffer.data(), std::min(m_size, DisplayDecisionBytes));
        encoding = DisplayEncoding(head, m_size > DisplayDecisionBytes, m_systemCodePage);
        if (const auto dependence = FindCodePageDependence(encoding, head)) {
            sink(Problem{ProblemKind::CodePageDependent, path, dependence->line, std::nullopt,
                         std::nullopt, CodePageDependenceMessage(*dependence)});
        }
    } catch (const std::runtime_error&) {
        return false;  // gone or unreadable since the scan read it
    }
    try {
        // nullptr: an encoding whose text is never shown, so no link either.
        decoder = PageDecoder(encoding, m_systemCodePage);
    } catch (const std::runtime_error&) {
        // A charset this system's converter does not know.
    }
    if (decoder == nullptr) return true;
    m_utf16 = encoding.codeset == "UTF-16LE"   ? Utf16::LittleEndian
              : encoding.codeset == "UTF-16BE" ? Utf16::BigEndian
                                               : Utf16::No;
    try {
        if (MayHoldLink(*decoder, encoding.markBytes))
            CheckLinks(*decoder, encoding.markBytes, path, sink);
    } catch (const std::runtime_error&) {
        // The page broke off while it was read: what it gave is reported.
    }
    return true;
}

}  // namespace courseview
