#pragma once
// A strict JSON reader (RFC 8259) for checking what the author's tool prints:
// it accepts nothing a strict consumer would refuse. Nesting is read by
// recursion, which is deep enough for any tree a path can name.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace courseview::testing {

struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    std::string text;  // a boolean's or a number's literal, a string's UTF-8 value; "" for null
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;  // in document order

    // The member named `key`, or nullptr.
    const JsonValue* Find(std::string_view key) const;

    // Declared here, defined where the type is complete.
    JsonValue() = default;
    JsonValue(JsonValue&&) noexcept;
    JsonValue& operator=(JsonValue&&) noexcept;
    ~JsonValue();
};

// The document, or nothing with the reason and byte offset in `error`.
// Refused: invalid UTF-8 (overlong forms, encoded surrogates, past U+10FFFF),
// raw control characters in strings, unknown escapes, unpaired surrogate
// escapes, duplicate keys, leading zeros, trailing commas, anything after the
// value.
std::optional<JsonValue> ParseJson(std::string_view document, std::string* error = nullptr);

}  // namespace courseview::testing
