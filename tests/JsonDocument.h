#pragma once
// A strict JSON reader (RFC 8259) for checking what the author's tool prints:
// it accepts nothing a strict consumer would refuse, and reads nesting of any
// depth without recursion.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace courseview::testing {

struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text;  // a number's literal, or a string's UTF-8 value
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;  // in document order

    // The member named `key`, or nullptr.
    const JsonValue* Find(std::string_view key) const;

    JsonValue() = default;
    JsonValue(JsonValue&&) noexcept;
    JsonValue& operator=(JsonValue&&) noexcept;
    JsonValue(const JsonValue&) = delete;
    JsonValue& operator=(const JsonValue&) = delete;
    // Takes deep trees apart without recursion.
    ~JsonValue();
};

// The document, or nothing with the reason and byte offset in `error`.
// Refused: invalid UTF-8 (overlong forms, encoded surrogates, past U+10FFFF),
// raw control characters in strings, unknown escapes, unpaired surrogate
// escapes, duplicate keys, leading zeros, trailing commas, anything after the
// value.
std::optional<JsonValue> ParseJson(std::string_view document, std::string* error = nullptr);

}  // namespace courseview::testing
