#pragma once
// One page searched: its bytes read in the encoding the display reads it in
// (PageEncoding.h), its raw bytes filtered (PageFilter.h), and only when they
// may hold the query its text read (HtmlTextReader.h) and matched word by
// word, the hits counted and the line around the first one built.
//
// A page's text is what a browser shows of it: tags, comments, scripts and
// styles and attribute values left out, character references decoded, the
// title included. Tags that make a box of their own or a line break (p, div,
// br, td, li, img, title ...) separate words; inline ones (b, i, span, font,
// a ...) and comments do not, so "<b>К</b>еплер" is one word, as it looks.
//
// The text ends at its first U+0000, as every text the viewer reads, and
// after the page's first MaximumPageBytes: a larger page is searched that
// far. Pages are read in chunks, so memory stays the same whatever the page.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "CodePage.h"
#include "InputFile.h"
#include "PageFilter.h"
#include "QueryMatcher.h"
#include "ResultLine.h"

namespace courseview {

struct PageHits {
    bool read = false;        // false: the page could not be opened or read
    bool holdsQuery = false;  // every query word begins a word of its text
    std::uint64_t hits = 0;
    MarkedLine line;  // around the first hit; empty without hits
};

class PageSearch {
public:
    static constexpr std::uint64_t MaximumPageBytes = std::uint64_t{64} << 20;

    PageSearch(const Query& query, const CodePage& systemCodePage);
    ~PageSearch();
    PageSearch(const PageSearch&) = delete;
    PageSearch& operator=(const PageSearch&) = delete;

    // `anyWord`: the hits are wanted even when the page holds only some of
    // the query's words (an entry found by its caption); otherwise a page
    // without all of them may be left unread. Stops early, with what it has,
    // once `cancelled` is set. Never throws for the page's sake: a page that
    // cannot be read, or is in a code page this system cannot decode, gives
    // read = false.
    PageHits Search(const std::string& path, bool anyWord, const std::atomic<bool>& cancelled);

    // Without the filter every page is read in full: the answer the filter
    // must never contradict, for the tests.
    void UseFilter(bool use) { m_useFilter = use; }

    // How many pages the filter let through to a full reading, for the benchmark.
    std::uint64_t PagesReadInFull() const { return m_pagesReadInFull; }

private:
    bool Fill();
    bool FilterLetsThrough(const CodePage& decoder, std::size_t textStart, bool anyWord,
                           const std::atomic<bool>& cancelled);
    void ReadText(const CodePage& decoder, std::size_t textStart, PageHits& hits,
                  const std::atomic<bool>& cancelled);
    PageFilter& FilterFor(const CodePage& decoder, const std::string& codeset);

    const Query& m_query;
    const CodePage& m_systemCodePage;
    InputFile m_file;
    std::string m_buffer;
    std::size_t m_size = 0;    // bytes in m_buffer
    std::uint64_t m_read = 0;  // bytes of the page read so far
    bool m_endOfFile = false;
    bool m_shifted = false;  // m_buffer no longer starts at the page's first byte
    std::u16string m_text;   // decoded text, a chunk at a time
    std::map<const CodePage*, std::unique_ptr<PageFilter>> m_filters;
    std::uint64_t m_pagesReadInFull = 0;
    bool m_useFilter = true;
};

}  // namespace courseview
