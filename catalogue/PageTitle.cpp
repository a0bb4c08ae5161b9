#include "PageTitle.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "InputFile.h"
#include "NameMatching.h"
#include "TextFile.h"
#include "Utf.h"

namespace courseview {

namespace {

constexpr std::u16string_view TitleTag = u"title";
constexpr std::u16string_view ClosingTitleTag = u"/title";

// Most titles stand in a page's first few hundred bytes: a small first read
// decides most pages, and larger ones later keep a long head to few calls.
constexpr std::size_t FirstChunkBytes = 4096;
constexpr std::size_t ChunkBytes = 65536;
// Text reaches the tokenizer in slices, so the work ends soon after the title;
// short ones once the title has begun, since it ends within a few words.
constexpr std::size_t SliceBytes = 512;
constexpr std::size_t GatheringSliceBytes = 64;
// Longest byte-order mark.
constexpr std::size_t MarkBytes = 3;

constexpr std::string_view ReplacementInUtf8 = "\xEF\xBF\xBD";

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

// Follows the token stream of an 8-bit text slice by slice and decides the
// title as soon as it can. Tokens are cut at space, "<", ">", CR, LF and NUL.
class TitleScanner {
public:
    explicit TitleScanner(const CodePage& codePage)
        : m_codePage(codePage), m_keepsAscii(codePage.KeepsAscii()) {
        for (unsigned char code : std::string_view(" <>\r\n\0", 6)) m_separator[code] = true;
    }

    void Reset() {
        m_state = State::Seeking;
        m_token.clear();
        m_tokenLength = 0;
        m_title.clear();
    }

    bool Decided() const { return m_state == State::Decided; }
    bool Seeking() const { return m_state == State::Seeking; }
    const std::u16string& Title() const { return m_title; }

    // Feed() for a text in a code page that keeps ASCII, while no title has
    // begun: returns how much of `text` it took, which is all of it unless the
    // "title" token ends inside. Only a token of exactly those five ASCII
    // letters matters here, so the text is searched for its "l" rather than
    // tokenized unit by unit. Takes UTF-16 too, for a UTF-8 code page, where
    // every other character encodes to bytes outside ASCII.
    template <typename Unit>
    std::size_t FeedSeeking(std::basic_string_view<Unit> text) {
        const Unit* const data = text.data();
        const std::size_t size = text.size();
        std::size_t at = 0;
        // Finish a token that began in an earlier text the ordinary way.
        while (at < size && m_tokenLength > 0 && Seeking()) {
            const char byte = TokenByte(data[at++]);
            Feed(std::string_view(&byte, 1));
        }
        if (!Seeking()) return at;
        const std::size_t start = at;  // a token boundary
        LetterL letterL(text);
        for (std::size_t l = letterL.Next(start + 3); l < size; l = letterL.Next(l + 1)) {
            const std::size_t begin = l - 3;
            if (begin > start && !IsSeparator(data[begin - 1])) continue;
            if (l + 2 >= size) break;  // the token may go on in the next text
            if (!IsSeparator(data[l + 2]) || !IsAsciiWord(text.substr(begin, 5), TitleTag))
                continue;
            m_state = State::Gathering;
            return l + 3;
        }
        // Leave the last token open, as Feed() would: it may go on.
        std::size_t tokenBegin = size;
        while (tokenBegin > start && !IsSeparator(data[tokenBegin - 1])) --tokenBegin;
        if (tokenBegin < size) {
            char bytes[MaximumTagBytes];
            const std::size_t kept = std::min(size - tokenBegin, MaximumTagBytes);
            for (std::size_t i = 0; i < kept; ++i) bytes[i] = TokenByte(data[tokenBegin + i]);
            AddToToken(bytes, kept);
            m_tokenLength += size - tokenBegin - kept;
        }
        return size;
    }

    void Feed(std::string_view text) {
        const char* at = text.data();
        const char* const end = at + text.size();
        while (at < end && !Decided()) {
            if (IsSeparator(*at)) {
                if (m_tokenLength > 0) EndToken();
                ++at;
                continue;
            }
            const char* const start = at;
            while (at < end && !IsSeparator(*at)) ++at;
            AddToToken(start, static_cast<std::size_t>(at - start));
        }
    }

    // The text has ended: a run that reaches the end is a token too, and a
    // title without its closing tag counts as none.
    void Finish() {
        if (m_tokenLength > 0) EndToken();
        if (!Decided()) {
            m_title.clear();
            m_state = State::Decided;
        }
    }

private:
    enum class State { Seeking, Gathering, Decided };
    // A tag is at most six characters; no code page needs more than four bytes
    // for one of them.
    static constexpr std::size_t MaximumTagBytes = 24;
    // The most bytes any code page spends on one UTF-16 unit.
    static constexpr std::size_t MaximumBytesPerUnit = 4;

    bool IsSeparator(char byte) const { return m_separator[static_cast<unsigned char>(byte)]; }
    bool IsSeparator(char16_t unit) const { return unit < 0x80 && m_separator[unit]; }

    // What a character stands for in a token before the title: itself when
    // ASCII, else a byte that no tag holds.
    static char TokenByte(char byte) { return byte; }
    static char TokenByte(char16_t unit) { return unit < 0x80 ? static_cast<char>(unit) : '\x80'; }

    // Finds the next "l" or "L" of a text: for bytes with the C library's
    // search, which reads many at a time, remembering each letter's next
    // place so that no byte is searched twice.
    template <typename Unit>
    class LetterL {
    public:
        explicit LetterL(std::basic_string_view<Unit> text) : m_text(text) {}

        // Position of the first "l" or "L" at or after `from`, or text.size().
        std::size_t Next(std::size_t from) {
            if (from >= m_text.size()) return m_text.size();
            if constexpr (std::is_same_v<Unit, char>) {
                if (m_lower < from) m_lower = Find('l', from);
                if (m_upper < from) m_upper = Find('L', from);
                return std::min(m_lower, m_upper);
            } else {
                for (std::size_t at = from; at < m_text.size(); ++at) {
                    if ((m_text[at] | 0x20) == u'l') return at;
                }
                return m_text.size();
            }
        }

    private:
        std::size_t Find(char letter, std::size_t from) const {
            const void* found = std::memchr(m_text.data() + from, letter, m_text.size() - from);
            return found == nullptr
                       ? m_text.size()
                       : static_cast<std::size_t>(static_cast<const Unit*>(found) - m_text.data());
        }

        std::basic_string_view<Unit> m_text;
        std::size_t m_lower = 0;  // next "l" at or after the last search's start
        std::size_t m_upper = 0;
    };

    // True for characters that are exactly `tag` up to the case of Latin letters.
    template <typename Unit>
    static bool IsAsciiWord(std::basic_string_view<Unit> text, std::u16string_view tag) {
        if (text.size() != tag.size()) return false;
        for (std::size_t i = 0; i < tag.size(); ++i) {
            const auto unit =
                static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(text[i]));
            if (unit >= 0x80 || !SameTextAscii(std::u16string_view(&unit, 1), tag.substr(i, 1))) {
                return false;
            }
        }
        return true;
    }

    void AddToToken(const char* bytes, std::size_t count) {
        // Only a token short enough to be a tag needs its bytes until it
        // ends, except inside the title, where it is kept up to the cap.
        std::size_t keep = MaximumTagBytes;
        if (m_state == State::Gathering && m_title.size() < MaximumTitleLength) {
            // The cap counts characters, not bytes: keep enough bytes for
            // the rest of the title even at four bytes a character.
            keep = std::max(keep, MaximumBytesPerUnit * (MaximumTitleLength - m_title.size()));
        }
        if (m_token.size() < keep) m_token.append(bytes, std::min(count, keep - m_token.size()));
        m_tokenLength += count;
    }

    bool TokenIs(std::u16string_view tag) {
        if (m_tokenLength > MaximumTagBytes) return false;
        // Only an all-ASCII token of the tag's length can decode to it.
        if (m_keepsAscii) {
            return m_tokenLength == tag.size() && IsAsciiWord(std::string_view(m_token), tag);
        }
        m_decodedToken.clear();
        m_codePage.DecodePrefix(m_token, true, m_decodedToken);
        return SameTextAscii(m_decodedToken, tag);
    }

    void EndToken() {
        if (m_state == State::Seeking) {
            if (TokenIs(TitleTag)) m_state = State::Gathering;
        } else if (TokenIs(ClosingTitleTag)) {
            // Stop here: nothing after the closing tag can change the title.
            m_state = State::Decided;
        } else if (m_title.size() < MaximumTitleLength) {
            m_title.push_back(u' ');
            m_codePage.DecodePrefix(m_token, true, m_title);
            if (m_title.size() > MaximumTitleLength) m_title.resize(MaximumTitleLength);
        }
        m_token.clear();
        m_tokenLength = 0;
    }

    const CodePage& m_codePage;
    const bool m_keepsAscii;
    std::array<bool, 256> m_separator{};
    State m_state = State::Seeking;
    std::string m_token;
    std::size_t m_tokenLength = 0;
    std::u16string m_title;
    std::u16string m_decodedToken;
};

}  // namespace

std::u16string TitleFromTokens(const std::vector<std::u16string>& tokens) {
    std::size_t i = 0;
    while (i < tokens.size() && !SameTextAscii(tokens[i], TitleTag)) ++i;
    if (i == tokens.size()) return {};
    std::u16string title;
    for (++i; i < tokens.size(); ++i) {
        if (SameTextAscii(tokens[i], ClosingTitleTag)) return title;
        title.push_back(u' ');
        title += tokens[i];
    }
    return {};
}

struct PageTitleReader::State {
    explicit State(const CodePage& systemCodePage)
        : codePage(systemCodePage),
          scanner(systemCodePage),
          chunk(new char[ChunkBytes + MarkBytes]) {}

    // Reads on into the chunk after its first `kept` bytes; false at the end.
    bool ReadMore(std::size_t kept, std::size_t want, std::size_t& filled) {
        const std::size_t got = file.Read(chunk.get() + kept, want);
        filled = kept + got;
        return got > 0;
    }

    void ScanAsUtf8(std::size_t start, std::size_t filled, bool atEnd);
    void ScanUtf16AsUtf8(bool bigEndian, std::size_t filled, bool atEnd);
    void ScanDecoded(std::size_t filled, bool atEnd);

    const CodePage& codePage;
    TitleScanner scanner;
    InputFile file;
    bool watchForColdPages = false;
    bool lastPageWasCold = false;
    std::unique_ptr<char[]> chunk;
    std::u16string units;
    std::u16string decoded;
    std::u16string pendingUnits;
    std::string narrow;
};

// UTF-8 read in a UTF-8 code page: the decoding and encoding the rules ask
// for give the bytes back unchanged, except that a malformed sequence becomes
// U+FFFD, so the bytes go to the tokenizer as they are.
void PageTitleReader::State::ScanAsUtf8(std::size_t start, std::size_t filled, bool atEnd) {
    for (;;) {
        std::string_view text(chunk.get() + start, filled - start);
        // The first NUL ends the text.
        const void* nul = std::memchr(text.data(), '\0', text.size());
        const bool ended = nul != nullptr;
        if (ended) {
            text = text.substr(
                0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
            atEnd = true;
        }
        std::size_t at = 0;
        while (at < text.size() && !scanner.Decided()) {
            // Before the title, malformed bytes cannot matter: they are never
            // separators and never part of the tag, so the bytes are searched
            // as they are.
            if (scanner.Seeking()) {
                at += scanner.FeedSeeking(text.substr(at));
                continue;
            }
            const std::size_t sliceEnd = std::min(text.size(), at + GatheringSliceBytes);
            const Utf8Run run =
                NextUtf8Run(text.substr(at, sliceEnd - at), atEnd && sliceEnd == text.size());
            scanner.Feed(text.substr(at, run.wellFormed));
            at += run.wellFormed;
            if (run.malformed > 0) {
                scanner.Feed(ReplacementInUtf8);
                at += run.malformed;
            } else if (at < sliceEnd && sliceEnd == text.size()) {
                break;  // a character cut by the chunk's end: the next chunk completes it
            }
        }
        if (scanner.Decided() || atEnd) return;
        // Keep the cut character's bytes in front of the next chunk.
        const std::size_t kept = text.size() - at;
        std::memmove(chunk.get(), text.data() + at, kept);
        start = 0;
        atEnd = !ReadMore(kept, ChunkBytes, filled);
    }
}

// UTF-16 read in a UTF-8 code page: before the title the tag is searched in
// the UTF-16 text itself, since every character but ASCII encodes to bytes
// outside ASCII; from the title on, the text is encoded as the rules say.
void PageTitleReader::State::ScanUtf16AsUtf8(bool bigEndian, std::size_t filled, bool atEnd) {
    std::size_t start = 2;  // behind the mark
    pendingUnits.clear();
    auto scan = [&](std::u16string_view text) {
        std::size_t at = 0;
        while (at < text.size() && !scanner.Decided()) {
            if (scanner.Seeking()) {
                at += scanner.FeedSeeking(text.substr(at));
                continue;
            }
            const std::size_t sliceEnd = std::min(text.size(), at + GatheringSliceBytes / 2);
            decoded.assign(pendingUnits);
            decoded.append(text.substr(at, sliceEnd - at));
            narrow.clear();
            // A high surrogate at the end waits for its partner, or for the end.
            pendingUnits.assign(decoded, EncodeUtf8Prefix(decoded, false, narrow));
            scanner.Feed(narrow);
            at = sliceEnd;
        }
    };
    bool ended = false;
    for (;;) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(chunk.get()) + start;
        const std::size_t pairs = (filled - start) / 2;
        const bool oddByte = (filled - start) % 2 == 1;
        // Units are made a slice at a time, as far as the title needs them.
        for (std::size_t first = 0; first < pairs && !ended && !scanner.Decided();
             first += SliceBytes / 2) {
            const std::size_t count = std::min(SliceBytes / 2, pairs - first);
            units.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned one = bytes[2 * (first + i)];
                const unsigned other = bytes[2 * (first + i) + 1];
                units[i] = static_cast<char16_t>(bigEndian ? one << 8 | other : other << 8 | one);
            }
            // The first NUL ends the text.
            const std::size_t nul = units.find(u'\0');
            if (nul != std::u16string::npos) {
                units.resize(nul);
                ended = true;
            }
            scan(units);
        }
        if (scanner.Decided()) return;
        // Half a code unit at the very end cannot be a character.
        if (atEnd && oddByte && !ended) scan(std::u16string_view(&ReplacementCharacter, 1));
        if (atEnd || ended) {
            // A high surrogate that waited for its partner in vain.
            narrow.clear();
            EncodeUtf8Prefix(pendingUnits, true, narrow);
            scanner.Feed(narrow);
            return;
        }
        // An odd byte waits in front of the next chunk for its partner.
        if (oddByte) chunk[0] = chunk[filled - 1];
        start = 0;
        atEnd = !ReadMore(oddByte ? 1 : 0, ChunkBytes, filled);
    }
}

// Every other case goes the way the rules say: decoded by its mark or the
// code page, encoded into the code page, tokenized.
void PageTitleReader::State::ScanDecoded(std::size_t filled, bool atEnd) {
    TextDecoder decoder(codePage);
    decoded.clear();
    pendingUnits.clear();
    // Line breaks are separators, so cutting the text into lines and joining
    // them with CR LF cannot change the tokens: the text goes to the scanner
    // as it is decoded.
    auto feed = [&](std::string_view bytes, bool last) {
        decoded.swap(pendingUnits);
        pendingUnits.clear();
        const bool textGoesOn = decoder.Feed(bytes, last, decoded) && !last;
        narrow.clear();
        const std::size_t used = codePage.EncodePrefix(decoded, !textGoesOn, narrow);
        pendingUnits.assign(decoded, used);
        decoded.clear();
        scanner.Feed(narrow);
        return textGoesOn;
    };
    for (;;) {
        for (std::size_t at = 0; at < filled; at += SliceBytes) {
            if (!feed(std::string_view(chunk.get() + at, std::min(SliceBytes, filled - at)),
                      false) ||
                scanner.Decided()) {
                return;
            }
        }
        if (atEnd) {
            feed({}, true);
            return;
        }
        atEnd = !ReadMore(0, ChunkBytes, filled);
    }
}

PageTitleReader::PageTitleReader(const CodePage& systemCodePage)
    : m_state(std::make_unique<State>(systemCodePage)) {}

PageTitleReader::~PageTitleReader() = default;

std::u16string_view PageTitleReader::Read(const std::string& page) {
    m_state->file.Open(page);
    return ReadOpenPage();
}

std::u16string_view PageTitleReader::Read(const ListedFile& page) {
    m_state->file.Open(page);
    return ReadOpenPage();
}

std::u16string_view PageTitleReader::ReadOpenPage() {
    State& state = *m_state;
    state.scanner.Reset();
    // Closes the page on every way out, errors included.
    struct Closer {
        InputFile& file;
        ~Closer() { file.Close(); }
    } closer{state.file};

    std::size_t filled = 0;
    bool atEnd = false;
    state.lastPageWasCold = false;
    if (state.watchForColdPages) {
        if (state.file.ReadIfCached(state.chunk.get(), FirstChunkBytes, filled)) {
            atEnd = filled == 0;
        } else {
            state.lastPageWasCold = true;
        }
    }
    // Enough bytes to see the longest byte-order mark, unless the page is shorter.
    while (filled < MarkBytes && !atEnd)
        atEnd = !state.ReadMore(filled, FirstChunkBytes - filled, filled);
    const std::string_view head(state.chunk.get(), filled);

    const bool markedUtf16 = StartsWith(head, "\xFF\xFE") || StartsWith(head, "\xFE\xFF");
    if (state.codePage.IsUtf8() && markedUtf16) {
        state.ScanUtf16AsUtf8(StartsWith(head, "\xFE\xFF"), filled, atEnd);
    } else if (state.codePage.IsUtf8()) {
        state.ScanAsUtf8(StartsWith(head, "\xEF\xBB\xBF") ? MarkBytes : 0, filled, atEnd);
    } else {
        state.ScanDecoded(filled, atEnd);
    }
    state.scanner.Finish();
    return state.scanner.Title();
}

void PageTitleReader::WatchForColdPages(bool watch) { m_state->watchForColdPages = watch; }

bool PageTitleReader::WatchingForColdPages() const { return m_state->watchForColdPages; }

bool PageTitleReader::LastPageWasCold() const { return m_state->lastPageWasCold; }

std::u16string ReadPageTitle(const std::filesystem::path& page, const CodePage& systemCodePage) {
    PageTitleReader reader(systemCodePage);
    return std::u16string(reader.Read(page.native()));
}

}  // namespace courseview
