#include "PageTitle.h"

#include <algorithm>
#include <bit>
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
// short ones for a title checked for UTF-8, since it ends within a few words.
constexpr std::size_t SliceBytes = 512;
constexpr std::size_t GatheringSliceBytes = 64;

// The first zero unit of `units`, or units.size(): four units at a time,
// since most slices hold none.
std::size_t FirstZeroUnit(std::u16string_view units) {
    constexpr std::uint64_t Ones = 0x0001000100010001ull;
    constexpr std::uint64_t Highs = 0x8000800080008000ull;
    std::size_t at = 0;
    for (; at + 4 <= units.size(); at += 4) {
        std::uint64_t word;
        std::memcpy(&word, units.data() + at, sizeof word);
        if (((word - Ones) & ~word & Highs) != 0) break;  // a zero unit in the word
    }
    while (at < units.size() && units[at] != 0) ++at;
    return at;
}

}  // namespace

// The page in hand: its bytes come in chunks, and go to the scanner as the
// encoding the caption is read in says.
struct PageTitleReader::State {
    explicit State(const CodePage& systemCodePage)
        : systemCodePage(systemCodePage), chunk(new char[ChunkBytes + CarryBytes]) {}

    // Reads on into the chunk after the last `kept` bytes of the chunk before,
    // which now stand at its front.
    void ReadMore(std::size_t kept) {
        chunkOffset += filled - kept;
        const std::size_t got = file.Read(chunk.get() + kept, ChunkBytes);
        filled = kept + got;
        atEnd = got == 0;
    }
    // Reads the page again from `offset` on.
    void ReadFrom(std::uint64_t offset) {
        file.Seek(offset);
        chunkOffset = offset;
        filled = 0;
        ReadMore(0);
    }
    std::uint64_t OffsetOf(const char* at) const {
        return chunkOffset + static_cast<std::uint64_t>(at - chunk.get());
    }

    enum class Check {
        None,        // the encoding is known
        AtTheTitle,  // maybe UTF-8: checked when the title begins, and through it
        EveryByte,   // maybe UTF-8, and the code page reads ASCII otherwise: checked all along
    };
    void ScanBytes(std::size_t start, Check check);
    bool PageIsUtf8Through(std::uint64_t end);
    std::size_t CheckBeforeDropping(const char* dropEnd);
    void ScanUtf16(std::size_t start, bool bigEndian);
    void ScanUnits(const CodePage& codePage, std::size_t start);
    void FeedSlices(std::u16string_view text);

    const CodePage& systemCodePage;
    TitleScanner scanner;
    InputFile file;
    bool watchForColdPages = false;
    bool lastPageWasCold = false;
    std::unique_ptr<char[]> chunk;
    std::uint64_t chunkOffset = 0;  // where in the page the chunk begins
    // While no title has begun, the bytes leaving the chunk are checked for
    // UTF-8 on their way out, so a late title needs no second read of them.
    std::uint64_t utf8Through = 0;  // the page is UTF-8 before this
    bool notUtf8 = false;           // a byte that left the chunk was not UTF-8
    std::size_t filled = 0;         // bytes in the chunk
    bool atEnd = false;             // the page has no more
    std::u16string units;
};

// True when the page's bytes before `end`, which stands in the chunk, are
// UTF-8: those that left the chunk before were checked on their way out, so
// what is left to check starts at utf8Through, the chunk's own start.
bool PageTitleReader::State::PageIsUtf8Through(std::uint64_t end) {
    if (notUtf8) return false;
    return IsWellFormedUtf8(std::string_view(chunk.get() + (utf8Through - chunkOffset),
                                             static_cast<std::size_t>(end - utf8Through)));
}

// Checks the chunk's bytes from utf8Through to `dropEnd`, which are about to
// leave it; returns how many at their end must stay, a character the next
// chunk finishes.
std::size_t PageTitleReader::State::CheckBeforeDropping(const char* dropEnd) {
    if (notUtf8) return 0;
    const char* const from = chunk.get() + (utf8Through - chunkOffset);
    const std::string_view leaving(from, static_cast<std::size_t>(dropEnd - from));
    const Utf8Run run = NextUtf8Run(leaving, false);
    if (run.malformed > 0) {
        notUtf8 = true;
        return 0;
    }
    utf8Through += run.wellFormed;
    return leaving.size() - run.wellFormed;
}

// Bytes that read ASCII as ASCII go to the scanner as they stand: UTF-8,
// marked or declared, a single-byte code page, or a page that says nothing.
// Such a page is read as UTF-8 as long as its bytes are UTF-8 through the end
// of its title, else in the system code page. When that code page reads ASCII
// as ASCII, nothing before the title reads differently either way, so the
// bytes there go to the scanner unchecked and are checked apart, as they
// leave the chunk and once a title begins; a byte that is not UTF-8 inside
// the title only makes the title gathered again. Otherwise every byte is
// checked, and the page read again from its start.
void PageTitleReader::State::ScanBytes(std::size_t start, Check check) {
    std::uint64_t titleStart = 0;
    // Unchecked text before the title goes in growing slices: a title at the
    // top is found in the first, and a long page costs few.
    std::size_t seekingSlice = SliceBytes;
    for (;;) {
        std::string_view text(chunk.get() + start, filled - start);
        std::size_t nulFreeTo = 0;  // the text holds no NUL before this
        bool readAgain = false;
        std::size_t at = 0;
        while (at < text.size() && !scanner.Decided()) {
            const bool seeking = scanner.Seeking();
            const bool checking =
                check == Check::EveryByte || (check == Check::AtTheTitle && !seeking);
            std::size_t slice = checking ? (seeking ? SliceBytes : GatheringSliceBytes)
                                         : (seeking ? seekingSlice : SliceBytes);
            if (seeking && !checking) seekingSlice = std::min(2 * seekingSlice, ChunkBytes);
            slice = std::min(slice, text.size() - at);
            // The first NUL ends the text: looked for as far as it is taken.
            if (nulFreeTo < at + slice) {
                const char* const from = text.data() + nulFreeTo;
                if (const void* nul = std::memchr(from, '\0', at + slice - nulFreeTo)) {
                    text = text.substr(
                        0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
                    atEnd = true;
                    slice = text.size() - at;
                    if (slice == 0) break;
                }
                nulFreeTo = at + slice;
            }
            const bool lastSlice = at + slice == text.size();
            std::string_view piece = text.substr(at, slice);
            Utf8Run run{slice, 0};
            if (checking) {
                run = NextUtf8Run(piece, atEnd && lastSlice);
                piece = piece.substr(0, run.wellFormed);
            }
            std::size_t taken = piece.size();
            if (seeking) {
                taken = scanner.FeedSeeking(piece);
            } else {
                scanner.Feed(piece);
            }
            at += taken;
            if (scanner.Decided()) return;
            if (seeking && !scanner.Seeking()) {
                // The title begins here.
                titleStart = OffsetOf(text.data() + at);
                if (check == Check::AtTheTitle && !PageIsUtf8Through(titleStart)) {
                    scanner.DecodeBytesAs(systemCodePage);
                    check = Check::None;
                }
                continue;
            }
            if (run.malformed > 0) {
                if (check == Check::EveryByte) {
                    scanner.Reset();
                    ReadFrom(0);
                    ScanUnits(systemCodePage, 0);
                    return;
                }
                // Not UTF-8 after all: the title again, from its start, which
                // is mostly still in the chunk.
                scanner.DecodeBytesAs(systemCodePage);
                scanner.RestartGathering();
                check = Check::None;
                if (titleStart >= chunkOffset) {
                    start = static_cast<std::size_t>(titleStart - chunkOffset);
                } else {
                    ReadFrom(titleStart);
                    start = 0;
                }
                readAgain = true;
                break;
            }
            // A character cut by the end of the text waits for the next chunk.
            if (run.wellFormed < slice && lastSlice) break;
        }
        if (readAgain) continue;
        if (scanner.Decided() || atEnd) return;
        // Keep a character cut by the chunk's end in front of the next chunk,
        // and one the check has not finished, which the scanner had already.
        const std::size_t unchecked = check == Check::AtTheTitle && scanner.Seeking()
                                          ? CheckBeforeDropping(text.data() + at)
                                          : 0;
        const std::size_t kept = text.size() - at + unchecked;
        std::memmove(chunk.get(), text.data() + at - unchecked, kept);
        start = unchecked;
        ReadMore(kept);
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

// UTF-16 of either byte order, marked. The units are made a slice at a time,
// a short one first, so a title at the top costs only the units before it.
void PageTitleReader::State::ScanUtf16(std::size_t start, bool bigEndian) {
    const bool swap = bigEndian != (std::endian::native == std::endian::big);
    std::size_t slice = SliceBytes / 2;
    for (;;) {
        const char* const bytes = chunk.get() + start;
        const std::size_t pairs = (filled - start) / 2;
        const bool oddByte = (filled - start) % 2 == 1;
        bool ended = false;
        for (std::size_t done = 0; done < pairs && !ended && !scanner.Decided();) {
            const std::size_t count = std::min(slice, pairs - done);
            slice = ChunkBytes / 8;
            units.resize(count);
            std::memcpy(units.data(), bytes + 2 * done, 2 * count);
            if (swap) {
                for (char16_t& unit : units) unit = static_cast<char16_t>(unit << 8 | unit >> 8);
            }
            done += count;
            // The first NUL ends the text.
            if (const std::size_t nul = FirstZeroUnit(units); nul < units.size()) {
                units.resize(nul);
                ended = true;
            }
            FeedSlices(std::u16string_view(units));
        }
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

// Code pages whose bytes may read as ASCII where they are not: decoded chunk
// by chunk into UTF-16.
void PageTitleReader::State::ScanUnits(const CodePage& codePage, std::size_t start) {
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
    state.chunkOffset = 0;
    state.utf8Through = 0;
    state.notUtf8 = false;
    state.filled = head.filled;
    state.atEnd = head.atEnd;

    const auto encoding =
        MarkedOrDeclaredEncoding(std::string_view(state.chunk.get(), state.filled));
    if (!encoding) {
        state.ScanBytes(0, state.systemCodePage.KeepsAscii() ? State::Check::AtTheTitle
                                                             : State::Check::EveryByte);
    } else if (encoding->codeset.empty()) {
        // Declared in an encoding whose text is never shown: no title.
    } else if (encoding->source == EncodingSource::ByteOrderMark && encoding->name != "UTF-8") {
        state.ScanUtf16(encoding->markBytes, encoding->name == "UTF-16BE");
    } else if (const CodePage& declared = CodePageNamed(encoding->codeset); declared.KeepsAscii()) {
        state.scanner.DecodeBytesAs(declared);
        state.ScanBytes(encoding->markBytes, State::Check::None);
    } else {
        state.ScanUnits(declared, 0);
    }
    state.scanner.Finish();
    return state.scanner.Title();
}

void PageTitleReader::WatchForColdPages(bool watch) { m_state->watchForColdPages = watch; }

bool PageTitleReader::LastPageWasCold() const { return m_state->lastPageWasCold; }

bool PageTitleReader::LastPageHadTitle() const { return m_state->scanner.Closed(); }

std::u16string ReadPageTitle(const std::filesystem::path& page, const CodePage& systemCodePage) {
    PageTitleReader reader(systemCodePage);
    return std::u16string(reader.Read(page.native()));
}

}  // namespace courseview
