#include "PageSearch.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "HtmlTextReader.h"
#include "PageEncoding.h"
#include "Words.h"

namespace courseview {

namespace {

constexpr std::size_t ChunkBytes = 256 * 1024;
static_assert(ChunkBytes > DisplayDecisionBytes, "the first chunk decides the encoding");

// Elements that make a box of their own or break the line: a word never runs
// across their tags. Every other tag (inline elements, unknown ones) sits
// inside the text as a browser lays it out.
bool SeparatesWords(std::u16string_view name) {
    static constexpr std::u16string_view Separating[] = {
        u"address", u"area",     u"article",  u"aside",   u"audio",    u"blockquote",
        u"body",    u"br",       u"button",   u"canvas",  u"caption",  u"center",
        u"col",     u"colgroup", u"dd",       u"details", u"dialog",   u"dir",
        u"div",     u"dl",       u"dt",       u"embed",   u"fieldset", u"figcaption",
        u"figure",  u"footer",   u"form",     u"frame",   u"frameset", u"h1",
        u"h2",      u"h3",       u"h4",       u"h5",      u"h6",       u"head",
        u"header",  u"hr",       u"html",     u"iframe",  u"img",      u"input",
        u"legend",  u"li",       u"link",     u"main",    u"map",      u"menu",
        u"meta",    u"nav",      u"object",   u"ol",      u"optgroup", u"option",
        u"p",       u"param",    u"pre",      u"section", u"select",   u"source",
        u"summary", u"table",    u"tbody",    u"td",      u"textarea", u"tfoot",
        u"th",      u"thead",    u"title",    u"tr",      u"track",    u"ul",
        u"video",   u"xmp",      u"plaintext"};
    return std::find(std::begin(Separating), std::end(Separating), name) != std::end(Separating);
}

// The page's text, matched as it comes and written into the result line.
class TextMatcher final : public HtmlHandler {
public:
    TextMatcher(QueryMatch& match, ResultLine& line) : m_match(match), m_line(line) {}

    void Text(std::u16string_view text) override {
        std::size_t at = 0;
        if (m_highSurrogate != 0) {
            const char16_t high = m_highSurrogate;
            m_highSurrogate = 0;
            if (text[0] >= 0xDC00 && text[0] <= 0xDFFF) {
                Take(0x10000 + ((char32_t(high) - 0xD800) << 10) + (text[0] - 0xDC00));
                at = 1;
            } else {
                Take(high);
            }
        }
        while (at < text.size()) {
            if (at + 1 == text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF) {
                m_highSurrogate = text[at];  // its low half may come with the next run
                return;
            }
            Take(NextCodePoint(text, at));
        }
    }

    void Tag(const HtmlTag& tag) override {
        if (!SeparatesWords(tag.name)) return;
        End();
        m_line.Space();
    }

    void End() {
        if (m_highSurrogate != 0) Take(std::exchange(m_highSurrogate, char16_t{0}));
        if (const auto hit = m_match.Break()) m_line.MarkHit(hit->begin, hit->length);
    }

private:
    void Take(char32_t character) {
        const std::size_t units = UnitsOf(character);
        if (const auto hit = m_match.Take(character, m_line.Position(), units)) {
            m_line.MarkHit(hit->begin, hit->length);
        }
        if (units == 1) {
            m_line.Append(static_cast<char16_t>(character));
        } else {
            m_units.clear();
            AppendCodePoint(character, m_units);
            for (char16_t unit : m_units) m_line.Append(unit);
        }
    }

    QueryMatch& m_match;
    ResultLine& m_line;
    char16_t m_highSurrogate = 0;
    std::u16string m_units;
};

ByteForm FormOf(const CodePage& decoder, const std::string& codeset) {
    ByteForm form;
    if (decoder.IsUtf8()) {
        form.kind = ByteForm::Kind::Utf8;
    } else if (decoder.ByteTable() != nullptr && decoder.KeepsAscii()) {
        // Markup and references are ASCII: the filter looks for "<" and "&".
        form.kind = ByteForm::Kind::SingleByte;
        form.table = decoder.ByteTable();
    } else if (codeset == "UTF-16LE") {
        form.kind = ByteForm::Kind::Utf16LittleEndian;
    } else if (codeset == "UTF-16BE") {
        form.kind = ByteForm::Kind::Utf16BigEndian;
    }
    return form;
}

// Where the text's first U+0000 starts in bytes[from, size), or npos: a zero
// byte in 8-bit forms, a zero unit at an even place from the text's start in
// UTF-16.
std::size_t FindEndOfText(std::string_view bytes, std::size_t from, std::size_t unitBytes,
                          std::uint64_t origin) {
    std::size_t at = from;
    while (at < bytes.size()) {
        const void* zero = std::memchr(bytes.data() + at, 0, bytes.size() - at);
        if (zero == nullptr) return std::string_view::npos;
        const std::size_t place = static_cast<const char*>(zero) - bytes.data();
        if (unitBytes == 1) return place;
        if ((origin + place) % 2 == 0) {
            if (place + 1 >= bytes.size()) return std::string_view::npos;
            if (bytes[place + 1] == 0) return place;
        }
        at = place + 1;
    }
    return std::string_view::npos;
}

}  // namespace

PageSearch::PageSearch(const Query& query, const CodePage& systemCodePage)
    : m_query(query), m_systemCodePage(systemCodePage) {
    m_buffer.resize(ChunkBytes + PageFilter::LookBehind + PageFilter::LookAhead);
}

PageSearch::~PageSearch() = default;

PageFilter& PageSearch::FilterFor(const CodePage& decoder, const std::string& codeset) {
    auto& filter = m_filters[&decoder];
    if (!filter) filter = std::make_unique<PageFilter>(m_query, FormOf(decoder, codeset));
    return *filter;
}

// Reads on until the buffer holds a chunk past what it keeps, or the page or
// its searched part ends. False when nothing more came.
bool PageSearch::Fill() {
    const std::size_t before = m_size;
    while (!m_endOfFile && m_size < m_buffer.size()) {
        const std::uint64_t allowed = MaximumPageBytes - m_read;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_buffer.size() - m_size, allowed));
        const std::size_t got = want == 0 ? 0 : m_file.Read(m_buffer.data() + m_size, want);
        if (got == 0) {
            m_endOfFile = true;
            break;
        }
        m_size += got;
        m_read += got;
    }
    return m_size > before;
}

PageHits PageSearch::Search(const std::string& path, bool anyWord,
                            const std::atomic<bool>& cancelled) {
    PageHits hits;
    try {
        m_file.Open(path);
        m_size = 0;
        m_read = 0;
        m_endOfFile = false;
        m_shifted = false;
        Fill();
        const std::string_view head(m_buffer.data(), std::min(m_size, DisplayDecisionBytes));
        const PageEncoding encoding =
            DisplayEncoding(head, m_size > DisplayDecisionBytes, m_systemCodePage);
        const CodePage* decoder = PageDecoder(encoding, m_systemCodePage);
        hits.read = true;
        // A page browsers refuse to decode shows one U+FFFD: no words at all.
        if (decoder != nullptr &&
            FilterLetsThrough(*decoder, encoding.markBytes, anyWord, cancelled)) {
            ++m_pagesReadInFull;
            ReadText(*decoder, encoding.markBytes, hits, cancelled);
        }
    } catch (const std::runtime_error&) {
        // Unreadable (FileError), or in a code page this system cannot decode.
        hits = PageHits{};
    }
    m_file.Close();
    return hits;
}

bool PageSearch::FilterLetsThrough(const CodePage& decoder, std::size_t textStart, bool anyWord,
                                   const std::atomic<bool>& cancelled) {
    PageFilter& filter = FilterFor(decoder, decoder.Name());
    if (!m_useFilter || !filter.Usable()) return true;
    filter.StartPage();
    auto decided = [&] { return anyWord ? filter.MayHoldAny() : filter.MayHoldAll(); };
    const std::size_t unitBytes = decoder.IsUtf8() || decoder.ByteTable() ? 1 : 2;
    std::size_t base = std::min(textStart, m_size);  // where text bytes begin in the buffer
    std::uint64_t origin = 0;                        // which text byte m_buffer[base] is
    std::size_t scanFrom = base;
    std::size_t endSearchedFrom = base;
    for (;;) {
        const std::string_view text(m_buffer.data() + base, m_size - base);
        std::size_t end = text.size();
        bool textEnded = m_endOfFile;
        const std::size_t zero = FindEndOfText(text, endSearchedFrom - base, unitBytes, origin);
        if (zero != std::string_view::npos) {
            end = zero;
            textEnded = true;
        }
        // The last byte again next time: it may be half of a zero unit.
        endSearchedFrom = std::max(base, m_size - (unitBytes == 2 ? 1 : 0));
        const std::size_t from = scanFrom - base;
        const std::size_t to = textEnded                            ? end
                               : end > from + PageFilter::LookAhead ? end - PageFilter::LookAhead
                                                                    : from;
        filter.Scan(text.substr(0, end), from, to, textEnded, origin);
        if (decided()) return true;
        if (textEnded || cancelled.load(std::memory_order_relaxed)) return false;
        // Keep what the next scan looks back at, and read on behind it.
        const std::size_t keepFrom =
            base + (to > PageFilter::LookBehind ? to - PageFilter::LookBehind : 0);
        std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, m_size - keepFrom);
        m_size -= keepFrom;
        origin += keepFrom - base;
        scanFrom = base + to - keepFrom;
        endSearchedFrom -= keepFrom;
        base = 0;
        m_shifted = true;
        if (!Fill()) m_endOfFile = true;
    }
}

void PageSearch::ReadText(const CodePage& decoder, std::size_t textStart, PageHits& hits,
                          const std::atomic<bool>& cancelled) {
    QueryMatch match(m_query);
    ResultLine line;
    TextMatcher matcher(match, line);
    HtmlTextReader reader(matcher);
    // Start over at the text's first byte, unless the buffer still holds the
    // page from its start.
    std::size_t at = std::min(textStart, m_size);
    if (m_shifted) {
        m_file.Seek(textStart);
        m_read = textStart;
        m_size = 0;
        m_endOfFile = false;
        at = 0;
        Fill();
    }
    bool textEnded = false;
    while (!textEnded && !cancelled.load(std::memory_order_relaxed)) {
        m_text.clear();
        const std::string_view bytes(m_buffer.data() + at, m_size - at);
        const std::size_t used = decoder.DecodePrefix(bytes, m_endOfFile, m_text);
        const std::size_t zero = m_text.find(u'\0');
        if (zero != std::u16string::npos) {
            m_text.resize(zero);
            textEnded = true;
        }
        reader.Feed(m_text);
        if (m_endOfFile) break;
        // The bytes of a character cut by the chunk's end go first next time.
        const std::size_t left = bytes.size() - used;
        std::memmove(m_buffer.data(), m_buffer.data() + at + used, left);
        m_size = left;
        at = 0;
        if (!Fill()) {
            m_endOfFile = true;
        }
    }
    reader.Finish();
    matcher.End();
    hits.holdsQuery = match.AllWordsFound();
    hits.hits = match.Hits();
    if (hits.hits > 0) hits.line = line.Take();
}

}  // namespace courseview
