#include "PageLinks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "AsciiCharacters.h"

namespace courseview {

namespace {

struct LinkAttribute {
    std::u16string_view element;  // empty: any element
    std::u16string_view attribute;
};

constexpr LinkAttribute LinkAttributes[] = {
    {u"a", u"href"},      {u"area", u"href"},  {u"link", u"href"},  {u"img", u"src"},
    {u"frame", u"src"},   {u"iframe", u"src"}, {u"script", u"src"}, {u"embed", u"src"},
    {u"video", u"src"},   {u"audio", u"src"},  {u"source", u"src"}, {u"object", u"data"},
    {u"", u"background"},
};

// Every link attribute's name: what the filter looks for before an "=".
constexpr std::array<std::u16string_view, 4> LinkAttributeNames = {u"href", u"src", u"data",
                                                                   u"background"};
constexpr std::size_t LongestName = 10;
// Enough of the text before a piece for a name and a little white space; a
// longer run of white space across pieces counts as a possible link.
constexpr std::size_t TailUnits = 2 * LongestName;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

}  // namespace

bool IsLinkAttribute(std::u16string_view element, std::u16string_view attribute) {
    return std::any_of(
        std::begin(LinkAttributes), std::end(LinkAttributes), [&](const LinkAttribute& link) {
            return link.attribute == attribute && (link.element.empty() || link.element == element);
        });
}

void LinkReader::Tag(const HtmlTag& tag) {
    if (tag.isEndTag) return;
    for (const HtmlAttribute& attribute : tag.attributes) {
        if (IsLinkAttribute(tag.name, attribute.name)) m_onLink(attribute);
    }
}

void LinkFilter::StartPage() {
    m_tail.clear();
    m_tailFromStart = true;
}

bool LinkFilter::MayHoldLink(std::string_view piece) { return Scan(piece); }
bool LinkFilter::MayHoldLink(std::u16string_view piece) { return Scan(piece); }

template <typename Unit>
bool LinkFilter::Scan(std::basic_string_view<Unit> piece) {
    // The unit `back` places before `at`, from the piece or the tail; false
    // when the text known here ends first.
    auto unitBefore = [&](std::size_t at, std::size_t back, char16_t& unit) {
        if (back <= at) {
            unit = static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(piece[at - back]));
            return true;
        }
        const std::size_t intoTail = back - at;
        if (intoTail > m_tail.size()) return false;
        unit = m_tail[m_tail.size() - intoTail];
        return true;
    };
    for (std::size_t at = 0; at < piece.size(); ++at) {
        if constexpr (sizeof(Unit) == 1) {
            const void* equals = std::memchr(piece.data() + at, '=', piece.size() - at);
            if (equals == nullptr) break;
            at = static_cast<std::size_t>(static_cast<const Unit*>(equals) - piece.data());
        } else {
            at = piece.find(u'=', at);
            if (at == piece.npos) break;
        }
        std::size_t back = 1;
        char16_t unit = 0;
        bool known = unitBefore(at, back, unit);
        while (known && IsSpace(unit)) known = unitBefore(at, ++back, unit);
        if (!known) {
            if (m_tailFromStart) continue;  // nothing but white space before it
            return true;
        }
        for (std::u16string_view name : LinkAttributeNames) {
            bool same = true;
            for (std::size_t i = 0; same && i < name.size(); ++i) {
                if (!unitBefore(at, back + i, unit)) {
                    if (!m_tailFromStart) return true;  // cut off: it may be the name
                    same = false;
                } else {
                    same = AsciiLower(unit) == name[name.size() - 1 - i];
                }
            }
            if (same) return true;
        }
    }
    KeepTail(piece);
    return false;
}

template <typename Unit>
void LinkFilter::KeepTail(std::basic_string_view<Unit> piece) {
    if (piece.size() >= TailUnits) {
        m_tail.clear();
        m_tailFromStart = false;
    } else if (m_tail.size() + piece.size() > TailUnits) {
        m_tail.erase(0, m_tail.size() + piece.size() - TailUnits);
        m_tailFromStart = false;
    }
    for (const Unit unit : piece.substr(piece.size() - std::min(piece.size(), TailUnits))) {
        m_tail.push_back(static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(unit)));
    }
}

}  // namespace courseview
