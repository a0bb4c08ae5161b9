#include "CharsetPrescan.h"

#include <cstring>
#include <utility>

#include "AsciiCharacters.h"
#include "EncodingLabels.h"

namespace courseview {

namespace {

bool IsSpace(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (AsciiLower(text[i]) != lowerPrefix[i]) return false;
    }
    return true;
}

std::optional<std::string> EncodingNameForLabel(std::string_view label) {
    const EncodingInfo* encoding = EncodingForLabel(label);
    if (encoding == nullptr) return std::nullopt;
    return std::string(encoding->name);
}

// Whether "charset" (in any letter case), then spaces, then "=" stand in the
// bytes: every declaration the prescan can find holds them, in a charset
// attribute or in a content attribute's value, so a page without them is done
// with at the cost of a search for "=".
bool HoldsCharsetAssignment(std::string_view bytes) {
    constexpr std::string_view Charset = "charset";
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* at = begin;
    while ((at = static_cast<const char*>(
                std::memchr(at, '=', static_cast<std::size_t>(end - at)))) != nullptr) {
        const char* name = at;
        while (name > begin && IsSpace(name[-1])) --name;
        if (name - begin >= static_cast<std::ptrdiff_t>(Charset.size()) &&
            StartsWithIgnoringCase(std::string_view(name - Charset.size(), Charset.size()),
                                   Charset)) {
            return true;
        }
        ++at;
    }
    return false;
}

bool HoldsMetaTag(std::string_view bytes) {
    for (std::size_t at = bytes.find('<'); at != std::string_view::npos;
         at = bytes.find('<', at + 1)) {
        if (StartsWithIgnoringCase(bytes.substr(at + 1), "meta")) return true;
    }
    return false;
}

struct Attribute {
    std::string name;
    std::string value;
};

// The prescan's cursor over the bytes it may look at. Running off the end
// anywhere ends the prescan without a result, so every step reports it.
class Scanner {
public:
    explicit Scanner(std::string_view bytes) : m_bytes(bytes) {}

    bool AtEnd() const { return m_position >= m_bytes.size(); }
    char Byte() const { return m_bytes[m_position]; }
    std::string_view Rest() const { return m_bytes.substr(m_position); }
    void Advance(std::size_t count = 1) { m_position += count; }

    // Moves to the first occurrence of `text` at or after the cursor; false
    // when there is none.
    bool SkipTo(std::string_view text) {
        const std::size_t found = m_bytes.find(text, m_position);
        m_position = found == std::string_view::npos ? m_bytes.size() : found;
        return found != std::string_view::npos;
    }

    // The standard's "get an attribute": false when there is none (the cursor
    // then stands at ">" or at the end). Upper-case ASCII letters are lowered;
    // every other byte is kept as it is.
    bool GetAttribute(Attribute& attribute) {
        attribute.name.clear();
        attribute.value.clear();
        while (!AtEnd() && (IsSpace(Byte()) || Byte() == '/')) Advance();
        if (AtEnd() || Byte() == '>') return false;
        for (;; Advance()) {
            if (AtEnd()) return false;
            const char c = Byte();
            if (c == '=' && !attribute.name.empty()) {
                Advance();
                return GetValue(attribute);
            }
            if (IsSpace(c)) break;
            if (c == '/' || c == '>') return true;
            attribute.name.push_back(AsciiLower(c));
        }
        while (!AtEnd() && IsSpace(Byte())) Advance();
        if (AtEnd()) return false;
        if (Byte() != '=') return true;  // a name without a value
        Advance();
        return GetValue(attribute);
    }

private:
    bool GetValue(Attribute& attribute) {
        while (!AtEnd() && IsSpace(Byte())) Advance();
        if (AtEnd()) return false;
        const char first = Byte();
        if (first == '"' || first == '\'') {
            for (Advance(); !AtEnd(); Advance()) {
                if (Byte() == first) {
                    Advance();
                    return true;
                }
                attribute.value.push_back(AsciiLower(Byte()));
            }
            return false;
        }
        if (first == '>') return true;
        for (; !AtEnd(); Advance()) {
            if (IsSpace(Byte()) || Byte() == '>') return true;
            attribute.value.push_back(AsciiLower(Byte()));
        }
        return false;
    }

    std::string_view m_bytes;
    std::size_t m_position = 0;
};

// What the attributes of one <meta> tag declare. The declaration is checked
// once the tag's attributes are all read; a content attribute counts only
// with http-equiv="content-type" beside it.
class MetaDeclaration {
public:
    void Add(const Attribute& attribute) {
        // The first of a name wins; only these three names count at all.
        if (attribute.name == "http-equiv") {
            if (std::exchange(m_seenPragma, true)) return;
            m_gotPragma = attribute.value == "content-type";
        } else if (attribute.name == "content") {
            if (std::exchange(m_seenContent, true)) return;
            if (m_state == State::None) {
                if (auto encoding = EncodingFromContentType(attribute.value)) {
                    m_charset = std::move(encoding);
                    m_state = State::NeedsPragma;
                }
            }
        } else if (attribute.name == "charset") {
            if (std::exchange(m_seenCharset, true)) return;
            m_charset = EncodingNameForLabel(attribute.value);
            m_state = State::FromCharset;
        }
    }

    std::optional<std::string> Result() const {
        if (m_state == State::None || !m_charset) return std::nullopt;
        if (m_state == State::NeedsPragma && !m_gotPragma) return std::nullopt;
        // The declaration was read as ASCII, so the page cannot be UTF-16.
        if (*m_charset == "UTF-16BE" || *m_charset == "UTF-16LE") return "UTF-8";
        if (*m_charset == "x-user-defined") return "windows-1252";
        return m_charset;
    }

private:
    enum class State { None, NeedsPragma, FromCharset };
    bool m_seenPragma = false;
    bool m_seenContent = false;
    bool m_seenCharset = false;
    bool m_gotPragma = false;
    State m_state = State::None;
    std::optional<std::string> m_charset;  // none for an unknown label
};

}  // namespace

std::optional<std::string> EncodingFromContentType(std::string_view content) {
    std::size_t position = 0;
    for (;;) {
        // The next "charset", in any letter case.
        std::size_t found = std::string_view::npos;
        for (std::size_t i = position; i + 7 <= content.size(); ++i) {
            if (StartsWithIgnoringCase(content.substr(i), "charset")) {
                found = i;
                break;
            }
        }
        if (found == std::string_view::npos) return std::nullopt;
        position = found + 7;
        while (position < content.size() && IsSpace(content[position])) ++position;
        if (position >= content.size() || content[position] != '=') continue;
        ++position;
        while (position < content.size() && IsSpace(content[position])) ++position;
        if (position >= content.size()) return std::nullopt;
        const char first = content[position];
        if (first == '"' || first == '\'') {
            const std::size_t close = content.find(first, position + 1);
            if (close == std::string_view::npos) return std::nullopt;
            return EncodingNameForLabel(content.substr(position + 1, close - position - 1));
        }
        std::size_t end = position;
        while (end < content.size() && !IsSpace(content[end]) && content[end] != ';') ++end;
        return EncodingNameForLabel(content.substr(position, end - position));
    }
}

std::optional<std::string> PrescanDeclaredEncoding(std::string_view head) {
    head = head.substr(0, PrescanBytes);
    Scanner scan(head);
    // An XML declaration in UTF-16 without a mark.
    if (scan.Rest().starts_with(std::string_view("<\0?\0x\0", 6))) return "UTF-16LE";
    if (scan.Rest().starts_with(std::string_view("\0<\0?\0x", 6))) return "UTF-16BE";

    // Only a meta element declares anything, and only with "charset=": most
    // pages have neither, and are done with here.
    if (!HoldsCharsetAssignment(head) || !HoldsMetaTag(head)) return std::nullopt;

    Attribute attribute;
    for (; !scan.AtEnd(); scan.Advance()) {
        // Everything the prescan looks at begins with "<".
        if (scan.Byte() != '<' && !scan.SkipTo("<")) break;
        const std::string_view rest = scan.Rest();
        if (rest.starts_with("<!--")) {
            // To the ">" of the first "-->"; its dashes may be those of "<!--".
            scan.Advance(2);
            if (!scan.SkipTo("-->")) return std::nullopt;
            scan.Advance(2);
        } else if (StartsWithIgnoringCase(rest, "<meta") && rest.size() > 5 &&
                   (IsSpace(rest[5]) || rest[5] == '/')) {
            scan.Advance(6);
            MetaDeclaration meta;
            while (scan.GetAttribute(attribute)) meta.Add(attribute);
            if (scan.AtEnd()) return std::nullopt;
            if (auto encoding = meta.Result()) return encoding;
        } else if (rest.size() > 1 && rest[0] == '<' &&
                   (IsAsciiLetter(rest[1]) ||
                    (rest[1] == '/' && rest.size() > 2 && IsAsciiLetter(rest[2])))) {
            // Another tag: its name, then its attributes, whose values may
            // hold anything, a "<meta" included.
            while (!scan.AtEnd() && !IsSpace(scan.Byte()) && scan.Byte() != '>') scan.Advance();
            while (scan.GetAttribute(attribute)) {
            }
            if (scan.AtEnd()) return std::nullopt;
        } else if (rest.starts_with("<!") || rest.starts_with("</") || rest.starts_with("<?")) {
            if (!scan.SkipTo(">")) return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace courseview
