#pragma once
// One page read as the display reads it, for what its bytes tell: whether it
// reads right only in its author's code page, and where its links lead.
//
// The page is read in chunks, so memory stays the same whatever the page. As
// for every text the viewer reads, the text ends at its first U+0000, and
// after the page's first MaximumPageBytes. Most pages hold no link at all,
// and reading every byte as HTML would be slow: the page's text is first
// looked at for what every link needs (LinkFilter), and only a page that may
// hold one is read as HTML.

#include <cstdint>
#include <string>

#include "CheckProblem.h"
#include "CodePage.h"
#include "InputFile.h"
#include "LinkCheck.h"
#include "PageLinks.h"

namespace courseview {

class PageCheck {
public:
    static constexpr std::uint64_t MaximumPageBytes = std::uint64_t{64} << 20;

    PageCheck(LinkCheck& links, const CodePage& systemCodePage);

    // Hands the page's code-page dependence, then the problems of its links
    // in page order, to `sink`. False, with nothing reported, when the page
    // cannot be read; a page in an encoding this system cannot decode has no
    // links to check.
    bool Check(const std::string& path, const ProblemSink& sink);

    // Without the filter every page is read as HTML: for the tests and the
    // benchmark.
    void UseFilter(bool use) { m_useFilter = use; }

private:
    void Fill();
    template <typename Take>
    void Stream(std::size_t from, Take take);
    // Decodes what it can of `bytes` into m_units; returns the bytes used.
    std::size_t Decode(const CodePage& decoder, std::string_view bytes, bool atEnd);
    bool MayHoldLink(const CodePage& decoder, std::size_t textStart);
    void CheckLinks(const CodePage& decoder, std::size_t textStart, const std::string& path,
                    const ProblemSink& sink);

    LinkCheck& m_links;
    const CodePage& m_systemCodePage;
    InputFile m_file;
    std::string m_buffer;
    std::uint64_t m_bufferStart = 0;  // where in the page m_buffer begins
    std::size_t m_size = 0;           // bytes in m_buffer
    bool m_atEnd = false;             // nothing more of the page comes
    std::u16string m_units;           // decoded text, a chunk at a time
    enum class Utf16 { No, LittleEndian, BigEndian };
    Utf16 m_utf16 = Utf16::No;  // the page's, decoded apart from its converter
    LinkFilter m_filter;
    bool m_useFilter = true;
};

}  // namespace courseview
