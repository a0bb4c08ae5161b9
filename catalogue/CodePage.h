#pragma once
// The system's 8-bit code page: what pages without a byte-order mark are
// decoded with, what the wrapper page is written in and what the title
// tokenizer scans. One small interface so a Windows build can put the
// platform's own conversions behind it.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace courseview {

class CodePage {
public:
    virtual ~CodePage() = default;

    // The codeset's name as the conversion library knows it ("UTF-8", "CP1251").
    virtual const std::string& Name() const = 0;

    // Decodes as much of `bytes` as forms whole characters; malformed bytes
    // become U+FFFD. Returns the bytes used: an incomplete character at the end
    // waits for the next chunk unless `atEnd`.
    virtual std::size_t DecodePrefix(std::string_view bytes, bool atEnd,
                                     std::u16string& out) const = 0;

    // Encodes `text`; a character the code page lacks becomes its best fit or
    // "?". Returns the code units used: a high surrogate at the end waits for
    // the next chunk unless `atEnd`.
    virtual std::size_t EncodePrefix(std::u16string_view text, bool atEnd,
                                     std::string& out) const = 0;

    // UTF-8 itself: decoding and encoding back then only replaces malformed
    // sequences, so a reader may skip the round trip.
    virtual bool IsUtf8() const { return false; }

    // ASCII bytes decode to themselves and nothing else decodes to ASCII, so
    // an ASCII word such as a tag name can be compared on the bytes.
    virtual bool KeepsAscii() const { return false; }

    std::u16string ToUtf16(std::string_view bytes) const;
    std::string FromUtf16(std::u16string_view text) const;
};

// A code page by codeset name. Throws std::runtime_error for a codeset the
// conversion library does not know.
std::unique_ptr<CodePage> OpenCodePage(std::string_view codeset);

// A code page by codeset name, made at its first use and kept for the run.
// Throws std::runtime_error for a codeset the conversion library does not know.
const CodePage& CodePageNamed(std::string_view codeset);

// What stands for Windows' system code page, in which pages without a mark
// or declaration were written: the locale's codeset when it is a legacy one,
// else the code page of the locale's language (ChooseSystemCodePage), or
// COURSEVIEW_CODEPAGE. Fixed at its first use; the program calls
// setlocale(LC_ALL, "") before that.
const CodePage& SystemCodePage();

// One line for the user when COURSEVIEW_CODEPAGE named a code page that does
// not exist (the rule applied instead); empty otherwise. Programs print it
// at start.
const std::string& SystemCodePageWarning();

// The codeset of the process locale, which the C library's own texts (error
// messages) come in. The C locale's ASCII counts as UTF-8.
const CodePage& LocaleCodePage();

}  // namespace courseview
