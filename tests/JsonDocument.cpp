#include "JsonDocument.h"

#include <set>
#include <tuple>

namespace courseview::testing {

JsonValue::JsonValue(JsonValue&&) noexcept = default;
JsonValue& JsonValue::operator=(JsonValue&&) noexcept = default;

JsonValue::~JsonValue() {
    // Children are moved out before they die, so no destructor ever sees a
    // grandchild: a document nested thousands deep cannot exhaust the stack.
    std::vector<JsonValue> pending;
    auto takeChildren = [&pending](JsonValue& value) {
        for (auto& item : value.items) pending.push_back(std::move(item));
        value.items.clear();
        for (auto& member : value.members) pending.push_back(std::move(member.second));
        value.members.clear();
    };
    takeChildren(*this);
    while (!pending.empty()) {
        JsonValue value = std::move(pending.back());
        pending.pop_back();
        takeChildren(value);
    }
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const auto& member : members) {
        if (member.first == key) return &member.second;
    }
    return nullptr;
}

namespace {

void AppendUtf8(char32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    std::optional<JsonValue> Document(std::string* error);

private:
    struct Frame {
        JsonValue container;
        std::string key;             // an object's member waiting for its value
        std::set<std::string> keys;  // an object's keys so far
    };

    bool Fail(const char* reason) {
        if (m_error.empty()) m_error = std::string(reason) + " at byte " + std::to_string(m_pos);
        return false;
    }
    int Peek() const {
        return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos]) : -1;
    }
    void SkipWhitespace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r')) {
            ++m_pos;
        }
    }
    bool Expect(char c, const char* reason) {
        if (Peek() != static_cast<unsigned char>(c)) return Fail(reason);
        ++m_pos;
        return true;
    }

    bool Hex4(char32_t& value);
    bool Utf8Sequence(std::string& out);
    bool String(std::string& out);
    bool Number(std::string& out);
    bool Scalar(JsonValue& value);
    bool Key(Frame& frame);

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_error;
};

bool Reader::Hex4(char32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const int c = Peek();
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return Fail("bad \\u escape");
        }
        value = value * 16 + static_cast<char32_t>(digit);
        ++m_pos;
    }
    return true;
}

bool Reader::Utf8Sequence(std::string& out) {
    const auto byte = [this](std::size_t at) {
        return at < m_text.size() ? static_cast<unsigned char>(m_text[at]) : 0u;
    };
    const unsigned lead = byte(m_pos);
    int length;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return Fail("invalid UTF-8 lead byte");
    }
    const unsigned second = byte(m_pos + 1);
    if (second < low || second > high) return Fail("invalid UTF-8 sequence");
    for (int i = 2; i < length; ++i) {
        if ((byte(m_pos + i) & 0xC0) != 0x80) return Fail("invalid UTF-8 sequence");
    }
    out.append(m_text.substr(m_pos, length));
    m_pos += length;
    return true;
}

bool Reader::String(std::string& out) {
    if (!Expect('"', "string expected")) return false;
    for (;;) {
        const int c = Peek();
        if (c < 0) return Fail("unterminated string");
        if (c == '"') {
            ++m_pos;
            return true;
        }
        if (c < 0x20) return Fail("raw control character in string");
        if (c >= 0x80) {
            if (!Utf8Sequence(out)) return false;
            continue;
        }
        ++m_pos;
        if (c != '\\') {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const int escape = Peek();
        ++m_pos;
        switch (escape) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case '/':
                out.push_back('/');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                char32_t unit;
                if (!Hex4(unit)) return false;
                if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("lone low surrogate escape");
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    char32_t low;
                    if (!Expect('\\', "lone high surrogate escape") ||
                        !Expect('u', "lone high surrogate escape") || !Hex4(low)) {
                        return false;
                    }
                    if (low < 0xDC00 || low > 0xDFFF) return Fail("lone high surrogate escape");
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(unit, out);
                break;
            }
            default:
                return Fail("unknown escape");
        }
    }
}

bool Reader::Number(std::string& out) {
    const std::size_t start = m_pos;
    auto digits = [this] {
        const std::size_t from = m_pos;
        while (Peek() >= '0' && Peek() <= '9') ++m_pos;
        return m_pos > from;
    };
    if (Peek() == '-') ++m_pos;
    if (Peek() == '0') {
        ++m_pos;
    } else if (!digits()) {
        return Fail("value expected");
    }
    if (Peek() == '.') {
        ++m_pos;
        if (!digits()) return Fail("digits expected after the point");
    }
    if (Peek() == 'e' || Peek() == 'E') {
        ++m_pos;
        if (Peek() == '+' || Peek() == '-') ++m_pos;
        if (!digits()) return Fail("digits expected in the exponent");
    }
    out.assign(m_text.substr(start, m_pos - start));
    return true;
}

bool Reader::Scalar(JsonValue& value) {
    const int c = Peek();
    for (const auto& [word, kind, truth] :
         {std::tuple{std::string_view("true"), JsonValue::Kind::Boolean, true},
          std::tuple{std::string_view("false"), JsonValue::Kind::Boolean, false},
          std::tuple{std::string_view("null"), JsonValue::Kind::Null, false}}) {
        if (m_text.substr(m_pos, word.size()) == word) {
            m_pos += word.size();
            value.kind = kind;
            value.boolean = truth;
            return true;
        }
    }
    if (c == '"') {
        value.kind = JsonValue::Kind::String;
        return String(value.text);
    }
    value.kind = JsonValue::Kind::Number;
    return Number(value.text);
}

bool Reader::Key(Frame& frame) {
    frame.key.clear();
    if (!String(frame.key)) return false;
    if (!frame.keys.insert(frame.key).second) return Fail("duplicate key");
    SkipWhitespace();
    if (!Expect(':', "':' expected")) return false;
    SkipWhitespace();
    return true;
}

std::optional<JsonValue> Reader::Document(std::string* error) {
    std::vector<Frame> stack;
    auto failed = [&]() -> std::optional<JsonValue> {
        if (error != nullptr) *error = m_error;
        return std::nullopt;
    };
    SkipWhitespace();
    for (;;) {
        // A value starts here.
        JsonValue value;
        const int c = Peek();
        if (c == '{' || c == '[') {
            ++m_pos;
            SkipWhitespace();
            const bool object = c == '{';
            value.kind = object ? JsonValue::Kind::Object : JsonValue::Kind::Array;
            if (Peek() != (object ? '}' : ']')) {
                stack.push_back(Frame{std::move(value), {}, {}});
                if (object && !Key(stack.back())) return failed();
                continue;
            }
            ++m_pos;
        } else if (!Scalar(value)) {
            return failed();
        }
        // The value is complete: hand it to its container, closing every
        // container that ends right after it.
        for (;;) {
            if (stack.empty()) {
                SkipWhitespace();
                if (m_pos != m_text.size()) {
                    Fail("text after the value");
                    return failed();
                }
                return value;
            }
            Frame& top = stack.back();
            const bool object = top.container.kind == JsonValue::Kind::Object;
            if (object) {
                top.container.members.emplace_back(std::move(top.key), std::move(value));
            } else {
                top.container.items.push_back(std::move(value));
            }
            SkipWhitespace();
            if (Peek() == ',') {
                ++m_pos;
                SkipWhitespace();
                if (object && !Key(top)) return failed();
                break;
            }
            if (Peek() != (object ? '}' : ']')) {
                Fail(object ? "',' or '}' expected" : "',' or ']' expected");
                return failed();
            }
            ++m_pos;
            value = std::move(top.container);
            stack.pop_back();
        }
    }
}

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view document, std::string* error) {
    return Reader(document).Document(error);
}

}  // namespace courseview::testing
