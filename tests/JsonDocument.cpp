#include "JsonDocument.h"

#include <charconv>
#include <cstdint>
#include <set>

namespace courseview::testing {

JsonValue::JsonValue(JsonValue&&) noexcept = default;
JsonValue& JsonValue::operator=(JsonValue&&) noexcept = default;
JsonValue::~JsonValue() = default;

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const auto& [name, value] : members) {
        if (name == key) return &value;
    }
    return nullptr;
}

namespace {

using Kind = JsonValue::Kind;

void AppendUtf8(char32_t c, std::string& out) {
    const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(lead[extra] | (c >> (6 * extra))));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
        out.push_back(static_cast<char>(0x80 | ((c >> shift) & 0x3F)));
}

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    std::optional<JsonValue> Document(std::string* error) {
        JsonValue value;
        if (Value(value)) {
            SkipWhitespace();
            if (m_pos == m_text.size()) return value;
            Fail("text after the value");
        }
        if (error != nullptr) *error = m_error;
        return std::nullopt;
    }

private:
    bool Fail(const char* reason) {
        if (m_error.empty()) m_error = std::string(reason) + " at byte " + std::to_string(m_pos);
        return false;
    }
    int Peek() const {
        return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos]) : -1;
    }
    bool Take(char c) {
        if (Peek() != static_cast<unsigned char>(c)) return false;
        ++m_pos;
        return true;
    }
    void SkipWhitespace() {
        while (Take(' ') || Take('\t') || Take('\n') || Take('\r')) {
        }
    }
    bool Digits() {
        const std::size_t from = m_pos;
        while (Peek() >= '0' && Peek() <= '9') ++m_pos;
        return m_pos > from;
    }

    bool Value(JsonValue& value) {
        SkipWhitespace();
        if (Take('[')) return Array(value);
        if (Take('{')) return Object(value);
        if (Peek() == '"') {
            value.kind = Kind::String;
            return String(value.text);
        }
        for (const auto& [word, kind] : {std::pair{std::string_view("true"), Kind::Boolean},
                                         {"false", Kind::Boolean},
                                         {"null", Kind::Null}}) {
            if (m_text.substr(m_pos).starts_with(word)) {
                m_pos += word.size();
                value.kind = kind;
                if (kind == Kind::Boolean) value.text = word;
                return true;
            }
        }
        value.kind = Kind::Number;
        const std::size_t start = m_pos;
        Take('-');
        if (!Take('0') && !Digits()) return Fail("value expected");
        if (Take('.') && !Digits()) return Fail("digits expected after the point");
        if ((Take('e') || Take('E')) && (Take('+') || Take('-') || true) && !Digits())
            return Fail("digits expected in the exponent");
        value.text = m_text.substr(start, m_pos - start);
        return true;
    }

    bool Array(JsonValue& value) {
        value.kind = Kind::Array;
        SkipWhitespace();
        if (Take(']')) return true;
        do {
            if (!Value(value.items.emplace_back())) return false;
            SkipWhitespace();
        } while (Take(','));
        return Take(']') || Fail("',' or ']' expected");
    }

    bool Object(JsonValue& value) {
        value.kind = Kind::Object;
        SkipWhitespace();
        if (Take('}')) return true;
        std::set<std::string> keys;
        do {
            SkipWhitespace();
            std::string key;
            if (!String(key)) return false;
            if (!keys.insert(key).second) return Fail("duplicate key");
            SkipWhitespace();
            if (!Take(':')) return Fail("':' expected");
            if (!Value(value.members.emplace_back(std::move(key), JsonValue{}).second))
                return false;
            SkipWhitespace();
        } while (Take(','));
        return Take('}') || Fail("',' or '}' expected");
    }

    bool Hex4(char32_t& unit) {
        const char* start = m_text.data() + m_pos;
        std::uint32_t value = 0;
        if (m_text.size() - m_pos < 4 ||
            std::from_chars(start, start + 4, value, 16).ptr != start + 4)
            return Fail("bad \\u escape");
        unit = value;
        m_pos += 4;
        return true;
    }

    bool Utf8Sequence(std::string& out) {
        const auto byte = [this](std::size_t at) {
            return at < m_text.size() ? static_cast<unsigned char>(m_text[at]) : 0u;
        };
        const unsigned lead = byte(m_pos);
        if (lead < 0xC2 || lead > 0xF4) return Fail("invalid UTF-8 lead byte");
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        // Overlong forms, encoded surrogates and code points past U+10FFFF are
        // told by the second byte.
        const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        bool valid = byte(m_pos + 1) >= low && byte(m_pos + 1) <= high;
        for (std::size_t i = 2; i < length; ++i) valid = valid && (byte(m_pos + i) & 0xC0) == 0x80;
        if (!valid) return Fail("invalid UTF-8 sequence");
        out.append(m_text.substr(m_pos, length));
        m_pos += length;
        return true;
    }

    bool String(std::string& out) {
        if (!Take('"')) return Fail("string expected");
        constexpr std::string_view escapes = "\"\\/bfnrt", escaped = "\"\\/\b\f\n\r\t";
        for (;;) {
            const int c = Peek();
            if (c < 0) return Fail("unterminated string");
            if (c < 0x20) return Fail("raw control character in string");
            if (c >= 0x80) {
                if (!Utf8Sequence(out)) return false;
                continue;
            }
            ++m_pos;
            if (c == '"') return true;
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            const int escape = Peek();
            ++m_pos;
            const std::size_t simple = escapes.find(static_cast<char>(escape));
            if (escape > 0 && simple != std::string_view::npos) {
                out.push_back(escaped[simple]);
                continue;
            }
            char32_t unit = 0, low = 0;
            if (escape != 'u') return Fail("unknown escape");
            if (!Hex4(unit)) return false;
            if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("lone low surrogate escape");
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                    return Fail("lone high surrogate escape");
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(unit, out);
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_error;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view document, std::string* error) {
    return Reader(document).Document(error);
}

}  // namespace courseview::testing
