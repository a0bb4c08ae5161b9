#pragma once
// A page's caption comes from its title, read as the title rule says
// (PageTitleRule.h), but streaming: the page is read only as far as the title
// is decided, so a huge page costs no more than its head.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "CodePage.h"
#include "InputFile.h"
#include "PageTitleRule.h"

namespace courseview {

// Returns the caption a page gets from its title: " " + tokens, or "" when
// there is no complete title. Throws FileError when the file cannot be opened
// or read.
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

    // Whether the page read last has a complete title element, even an
    // empty one: a page whose caption falls back to its file name for want
    // of a title has none.
    bool LastPageHadTitle() const;

    // While watching, Read() notes whether a page's first bytes had to come
    // from the disk: a scan starts reading ahead when they do.
    void WatchForColdPages(bool watch);
    bool LastPageWasCold() const;

private:
    std::u16string_view ReadOpenPage();

    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace courseview
