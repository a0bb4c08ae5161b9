#include "PageTitle.h"

#include <algorithm>
#include <cstring>

#include "CharsetPrescan.h"
#include "PageEncoding.h"
#include "PageHead.h"
#include "TitleScanner.h"
#include "Utf.h"

namespace courseview {

namespace {

// Most titles stand in a page's first few hundred bytes: a small first read
// decides most pages, and larger ones later keep a long head to few calls.
constexpr std::size_t FirstChunkBytes = 4096;
constexpr std::size_t ChunkBytes = 65536;
// The longest UTF-8 character: what a chunk may carry over to the next.
constexpr std::size_t CarryBytes = 4;
// Text reaches the scanner in slices, so the work ends soon after the title;
// short ones once the title has begun, since it ends within a few words.
constexpr std::size_t SliceBytes = 512;
constexpr std::size_t GatheringSliceBytes = 64;

}  // namespace

// The page in hand: its bytes come in chunks, and go to the scanner as the
// encoding the caption is read in says.
struct PageTitleReader::State {
    explicit State(const CodePage& systemCodePage)
        : systemCodePage(systemCodePage), chunk(new char[ChunkBytes + CarryBytes]) {}

    // Reads on into the chunk after its first `kept` bytes.
    void ReadMore(std::size_t kept) {
        const std::size_t got = file.Read(chunk.get() + kept, ChunkBytes);
        filled = kept + got;
        atEnd = got == 0;
    }

    void ScanUtf8(std::size_t start, bool tentative);
    void ScanUtf16(std::size_t start, bool bigEndian);
    void ScanDecoded(const CodePage& codePage, std::size_t start);
    void FeedSlices(std::string_view text);
    void FeedSlices(std::u16string_view text);

    const CodePage& systemCodePage;
    TitleScanner scanner;
    InputFile file;
    bool watchForColdPages = false;
    bool lastPageWasCold = false;
    std::unique_ptr<char[]> chunk;
    std::size_t filled = 0;  // bytes in the chunk
    bool atEnd = false;      // the page has no more
    std::u16string units;
};

void PageTitleReader::State::FeedSlices(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && !scanner.Decided()) {
        if (scanner.Seeking()) {
            at += scanner.FeedSeeking(text.substr(at));
            continue;
        }
        const std::size_t slice = std::min(GatheringSliceBytes, text.size() - at);
        scanner.Feed(text.substr(at, slice));
        at += slice;
    }
}

void PageTitleReader::State::FeedSlices(std::u16string_view text) {
    std::size_t at = 0;
    while (at < text.size() && !scanner.Decided()) {
        if (scanner.Seeking()) {
            at += scanner.FeedSeeking(text.substr(at));
            continue;
        }
        const std::size_t slice = std::min(GatheringSliceBytes / 2, text.size() - at);
        scanner.Feed(text.substr(at, slice));
        at += slice;
    }
}

// UTF-8, marked or declared, or `tentative`: a page that says nothing is read
// as UTF-8 as long as its bytes are UTF-8 up to the end of its title. At the
// first byte that is not, it is read in the system code page instead: from
// there on when nothing before can read differently (no title has begun, and
// the code page reads ASCII as ASCII), else from its start.
void PageTitleReader::State::ScanUtf8(std::size_t start, bool tentative) {
    for (;;) {
        std::string_view text(chunk.get() + start, filled - start);
        // The first NUL ends the text.
        if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
            text = text.substr(
                0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
            atEnd = true;
        }
        std::size_t at = 0;
        while (at < text.size() && !scanner.Decided()) {
            const std::size_t slice =
                std::min(scanner.Seeking() ? SliceBytes : GatheringSliceBytes, text.size() - at);
            if (!tentative) {
                FeedSlices(text.substr(at, slice));
                at += slice;
                continue;
            }
            const bool lastSlice = at + slice == text.size();
            const Utf8Run run = NextUtf8Run(text.substr(at, slice), atEnd && lastSlice);
            FeedSlices(text.substr(at, run.wellFormed));
            if (scanner.Decided()) return;
            at += run.wellFormed;
            if (run.malformed > 0) {
                const std::size_t offset = static_cast<std::size_t>(text.data() + at - chunk.get());
                if (scanner.Seeking() && systemCodePage.KeepsAscii()) {
                    ScanDecoded(systemCodePage, offset);
                } else {
                    scanner.Reset();
                    file.Rewind();
                    ReadMore(0);
                    ScanDecoded(systemCodePage, 0);
                }
                return;
            }
            // A character cut by the slice's end: the next slice completes it.
            if (at < text.size() && run.wellFormed < slice && !lastSlice) continue;
            if (run.wellFormed < slice) break;
        }
        if (scanner.Decided() || atEnd) return;
        // Keep a character cut by the chunk's end in front of the next chunk.
        const std::size_t kept = text.size() - at;
        std::memmove(chunk.get(), text.data() + at, kept);
        start = 0;
        ReadMore(kept);
    }
}

// UTF-16 of either byte order, marked.
void PageTitleReader::State::ScanUtf16(std::size_t start, bool bigEndian) {
    for (;;) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(chunk.get()) + start;
        const std::size_t pairs = (filled - start) / 2;
        const bool oddByte = (filled - start) % 2 == 1;
        units.resize(pairs);
        for (std::size_t i = 0; i < pairs; ++i) {
            const unsigned one = bytes[2 * i];
            const unsigned other = bytes[2 * i + 1];
            units[i] = static_cast<char16_t>(bigEndian ? one << 8 | other : other << 8 | one);
        }
        // The first NUL ends the text.
        bool ended = false;
        if (const std::size_t nul = units.find(u'\0'); nul != std::u16string::npos) {
            units.resize(nul);
            ended = true;
        }
        FeedSlices(std::u16string_view(units));
        if (scanner.Decided() || ended) return;
        if (atEnd) {
            // Half a code unit at the very end cannot be a character.
            if (oddByte) scanner.Feed(std::u16string_view(&ReplacementCharacter, 1));
            return;
        }
        // An odd byte waits in front of the next chunk for its partner.
        if (oddByte) chunk[0] = chunk[filled - 1];
        start = 0;
        ReadMore(oddByte ? 1 : 0);
    }
}

// Any other encoding: decoded chunk by chunk into UTF-16.
void PageTitleReader::State::ScanDecoded(const CodePage& codePage, std::size_t start) {
    for (;;) {
        units.clear();
        const std::string_view bytes(chunk.get() + start, filled - start);
        const std::size_t used = codePage.DecodePrefix(bytes, atEnd, units);
        bool ended = false;
        if (const std::size_t nul = units.find(u'\0'); nul != std::u16string::npos) {
            units.resize(nul);
            ended = true;
        }
        FeedSlices(std::u16string_view(units));
        if (scanner.Decided() || ended || atEnd) return;
        // A character cut by the chunk's end waits in front of the next one.
        const std::size_t kept = bytes.size() - used;
        std::memmove(chunk.get(), bytes.data() + used, kept);
        start = 0;
        ReadMore(kept);
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

    // Enough to see a byte-order mark and the declarations browsers look for.
    const PageHead head = ReadPageHead(state.file, state.chunk.get(), FirstChunkBytes, PrescanBytes,
                                       state.watchForColdPages);
    state.lastPageWasCold = head.cameFromDisk;
    state.filled = head.filled;
    state.atEnd = head.atEnd;

    const auto encoding =
        MarkedOrDeclaredEncoding(std::string_view(state.chunk.get(), state.filled));
    if (!encoding) {
        state.ScanUtf8(0, true);
    } else if (encoding->codeset.empty()) {
        // Declared in an encoding whose text is never shown: no title.
    } else if (encoding->name == "UTF-8") {
        state.ScanUtf8(encoding->markBytes, false);
    } else if (encoding->source == EncodingSource::ByteOrderMark) {
        state.ScanUtf16(encoding->markBytes, encoding->name == "UTF-16BE");
    } else {
        state.ScanDecoded(CodePageNamed(encoding->codeset), 0);
    }
    state.scanner.Finish();
    return state.scanner.Title();
}

void PageTitleReader::WatchForColdPages(bool watch) { m_state->watchForColdPages = watch; }

bool PageTitleReader::LastPageWasCold() const { return m_state->lastPageWasCold; }

std::u16string ReadPageTitle(const std::filesystem::path& page, const CodePage& systemCodePage) {
    PageTitleReader reader(systemCodePage);
    return std::u16string(reader.Read(page.native()));
}

}  // namespace courseview
