#pragma once
// The links of a page: the attributes whose value the browser loads or
// offers as an address, as the HTML text reader hands out the page's tags.

#include <functional>
#include <string_view>

#include "HtmlTextReader.h"

namespace courseview {

// True for a href, area href, link href; img, frame, iframe, script, embed,
// video, audio and source src; object data; and background on any element.
// Names in lower case, as the reader gives them.
bool IsLinkAttribute(std::u16string_view element, std::u16string_view attribute);

// Hands every link of the tags it reads to a callback, in page order; the
// attribute carries the link's text, its line and whether it was cut.
class LinkReader final : public HtmlHandler {
public:
    using LinkHandler = std::function<void(const HtmlAttribute& link)>;
    explicit LinkReader(LinkHandler onLink) : m_onLink(std::move(onLink)) {}

    void Text(std::u16string_view) override {}
    void Tag(const HtmlTag& tag) override;

private:
    LinkHandler m_onLink;
};

// Looks at a page's text a piece at a time for what every link attribute
// needs there: an "=" behind its name (href, src, data, background, in any
// case of ASCII letters), white space between them allowed. A page in which
// it finds none holds no link, so it need not be read as HTML; one in which
// it finds one may (the "=" may stand in text or another attribute). Works on
// bytes of an encoding that reads ASCII as ASCII, or on UTF-16 units.
class LinkFilter {
public:
    void StartPage();
    // True when the text so far, this piece included, may hold a link.
    bool MayHoldLink(std::string_view piece);
    bool MayHoldLink(std::u16string_view piece);

private:
    template <typename Unit>
    bool Scan(std::basic_string_view<Unit> piece);
    template <typename Unit>
    void KeepTail(std::basic_string_view<Unit> piece);

    // The last units of the pieces before, enough to see a name that runs
    // across pieces; `m_tailFromStart`: they reach back to the text's start.
    std::u16string m_tail;
    bool m_tailFromStart = true;
};

}  // namespace courseview
