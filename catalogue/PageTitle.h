#pragma once
// A page's caption comes from the tokens between the first "title" token and
// the next "/title" token (Latin letters in any case), cut at space, "<", ">",
// CR, LF and NUL. No HTML parser is involved: attributes of the title tag and
// tags inside the title become part of it, entities stay as they are.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "InputFile.h"

namespace courseview {

// " " + every gathered token, each behind a single space, or "" when there is
// no "title" token or no "/title" after it.
std::u16string TitleFromTokens(const std::vector<std::u16string>& tokens);

// Titles longer than this are cut here: no tree line can show more, and it
// keeps the memory a hostile page can claim small.
inline constexpr std::size_t MaximumTitleLength = 65536;

// Returns the caption a page gets from its title: " " + tokens, or "" when
// there is no complete title. The file is read only as far as the title is
// decided, so a huge page costs no more than its head. Throws FileError when
// the file cannot be opened or read.
std::u16string ReadPageTitle(const std::filesystem::path& page,
                             const CodePage& systemCodePage = SystemCodePage());

// Reads the titles of many pages, one after another, with the same buffers:
// what a scan uses, so a page costs no allocations.
class PageTitleReader {
public:
    explicit PageTitleReader(const CodePage& systemCodePage = SystemCodePage());
    ~PageTitleReader();
    PageTitleReader(const PageTitleReader&) = delete;
    PageTitleReader& operator=(const PageTitleReader&) = delete;

    // As ReadPageTitle; the text stays valid until the next call.
    std::u16string_view Read(const std::string& page);
    std::u16string_view Read(const ListedFile& page);

    // While watching, Read() notes whether a page's first bytes had to come
    // from the disk: a scan starts reading ahead when they do.
    void WatchForColdPages(bool watch);
    bool WatchingForColdPages() const;
    bool LastPageWasCold() const;

private:
    std::u16string_view ReadOpenPage();

    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace courseview
