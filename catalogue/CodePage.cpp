#include "CodePage.h"

#include <iconv.h>
#include <langinfo.h>

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <map>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "SystemCodePageChoice.h"
#include "Utf.h"

namespace courseview {

std::u16string CodePage::ToUtf16(std::string_view bytes) const {
    std::u16string out;
    out.reserve(bytes.size());
    DecodePrefix(bytes, true, out);
    return out;
}

std::string CodePage::FromUtf16(std::u16string_view text) const {
    std::string out;
    out.reserve(text.size());
    EncodePrefix(text, true, out);
    return out;
}

namespace {

bool IsUtf8Name(std::string_view name) {
    auto lower = std::string(name);
    for (auto& c : lower) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    // The C locale's 7-bit ASCII is read as UTF-8, as current runtimes do.
    return lower == "utf-8" || lower == "utf8" || lower == "ansi_x3.4-1968" || lower == "ascii" ||
           lower == "us-ascii";
}

class Utf8CodePage final : public CodePage {
public:
    const std::string& Name() const override { return m_name; }
    bool IsUtf8() const override { return true; }
    bool KeepsAscii() const override { return true; }
    std::size_t DecodePrefix(std::string_view bytes, bool atEnd,
                             std::u16string& out) const override {
        return DecodeUtf8Prefix(bytes, atEnd, out);
    }
    std::size_t EncodePrefix(std::u16string_view text, bool atEnd,
                             std::string& out) const override {
        return EncodeUtf8Prefix(text, atEnd, out);
    }

private:
    std::string m_name = "UTF-8";
};

// An iconv descriptor that is closed on every path.
class IconvHandle {
public:
    IconvHandle(const std::string& to, const std::string& from)
        : m_handle(iconv_open(to.c_str(), from.c_str())) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(m_handle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

// Converts one UTF-16 character (one or two code units) to the code page,
// asking for a transliteration when there is no exact match. Empty when the
// code page has nothing for it.
std::string EncodeOneCharacter(const std::string& codeset, std::u16string_view character) {
    IconvHandle converter(codeset + "//TRANSLIT", "UTF-16LE");
    if (!converter.Valid()) return {};
    std::string input;
    for (char16_t unit : character) {
        input.push_back(static_cast<char>(unit & 0xFF));
        input.push_back(static_cast<char>(unit >> 8));
    }
    std::array<char, 32> output{};
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = output.data();
    std::size_t outLeft = output.size();
    if (iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return {};
    }
    std::string result(output.data(), outPtr);
    // glibc's transliteration answers "?" itself when it gives up; that is
    // our default character as well.
    return result;
}

std::size_t SurrogateAwareLength(std::u16string_view text, std::size_t i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
        return 2;
    }
    return 1;
}

// Single-byte code pages (windows-1251, KOI8-R, ISO-8859-x ...) are served
// from tables built once: a page title is decoded and encoded per byte.
class SingleByteCodePage final : public CodePage {
public:
    SingleByteCodePage(std::string name, const std::array<char16_t, 256>& toUnicode)
        : m_name(std::move(name)), m_toUnicode(toUnicode) {
        for (int byte = 255; byte >= 0; --byte) {
            if (m_toUnicode[byte] != ReplacementCharacter)
                m_fromUnicode[m_toUnicode[byte]] = char(byte);
            const bool keepsThisByte =
                byte < 0x80 ? m_toUnicode[byte] == byte : m_toUnicode[byte] >= 0x80;
            m_keepsAscii = m_keepsAscii && keepsThisByte;
        }
    }
    const std::string& Name() const override { return m_name; }
    bool KeepsAscii() const override { return m_keepsAscii; }
    std::size_t DecodePrefix(std::string_view bytes, bool, std::u16string& out) const override {
        const std::size_t before = out.size();
        out.resize(before + bytes.size());
        char16_t* unit = out.data() + before;
        for (unsigned char byte : bytes) *unit++ = m_toUnicode[byte];
        return bytes.size();
    }
    std::size_t EncodePrefix(std::u16string_view text, bool atEnd,
                             std::string& out) const override {
        std::size_t i = 0;
        while (i < text.size()) {
            const char16_t unit = text[i];
            if (unit < 0x80 && m_toUnicode[unit] == unit) {
                out.push_back(static_cast<char>(unit));
                ++i;
                continue;
            }
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 == text.size() && !atEnd) break;
            const auto exact = m_fromUnicode.find(unit);
            if (exact != m_fromUnicode.end()) {
                out.push_back(exact->second);
                ++i;
                continue;
            }
            const std::size_t length = SurrogateAwareLength(text, i);
            out += BestFit(text.substr(i, length));
            i += length;
        }
        return i;
    }

private:
    std::string BestFit(std::u16string_view character) const {
        const std::u16string key(character);
        std::lock_guard lock(m_bestFitMutex);
        auto found = m_bestFit.find(key);
        if (found == m_bestFit.end()) {
            std::string fit = EncodeOneCharacter(m_name, character);
            if (fit.empty()) fit = "?";
            found = m_bestFit.emplace(key, std::move(fit)).first;
        }
        return found->second;
    }

    std::string m_name;
    std::array<char16_t, 256> m_toUnicode;
    bool m_keepsAscii = true;
    std::unordered_map<char16_t, char> m_fromUnicode;
    mutable std::mutex m_bestFitMutex;
    mutable std::unordered_map<std::u16string, std::string> m_bestFit;
};

// Any other codeset (multi-byte Asian code pages and the like) goes through
// iconv for every conversion.
class IconvCodePage final : public CodePage {
public:
    explicit IconvCodePage(std::string name) : m_name(std::move(name)) {}
    const std::string& Name() const override { return m_name; }

    std::size_t DecodePrefix(std::string_view bytes, bool atEnd,
                             std::u16string& out) const override {
        IconvHandle converter("UTF-16LE", m_name);
        if (!converter.Valid()) throw std::runtime_error("Cannot convert from " + m_name);
        std::string input(bytes);
        char* in = input.data();
        std::size_t inLeft = input.size();
        std::array<char, 4096> buffer{};
        while (inLeft > 0) {
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            const std::size_t result = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            AppendUnits(buffer.data(), outPtr, out);
            if (result != static_cast<std::size_t>(-1)) break;
            if (error == E2BIG) continue;
            if (error == EINVAL && !atEnd) break;  // the character goes on in the next chunk
            // Malformed, or cut off at the very end: one replacement per byte.
            out.push_back(ReplacementCharacter);
            ++in;
            --inLeft;
            iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
        }
        return bytes.size() - inLeft;
    }

    std::size_t EncodePrefix(std::u16string_view text, bool atEnd,
                             std::string& out) const override {
        IconvHandle converter(m_name, "UTF-16LE");
        if (!converter.Valid()) throw std::runtime_error("Cannot convert to " + m_name);
        std::size_t i = 0;
        std::array<char, 64> buffer{};
        while (i < text.size()) {
            const std::size_t length = SurrogateAwareLength(text, i);
            if (length == 1 && text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 == text.size() &&
                !atEnd) {
                break;
            }
            std::string input;
            for (std::size_t k = 0; k < length; ++k) {
                input.push_back(static_cast<char>(text[i + k] & 0xFF));
                input.push_back(static_cast<char>(text[i + k] >> 8));
            }
            char* in = input.data();
            std::size_t inLeft = input.size();
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            if (iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft) ==
                static_cast<std::size_t>(-1)) {
                iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
                std::string fit = EncodeOneCharacter(m_name, text.substr(i, length));
                out += fit.empty() ? std::string("?") : fit;
            } else {
                out.append(buffer.data(), outPtr);
            }
            i += length;
        }
        // Return a stateful encoding to its initial shift state.
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        iconv(converter.Get(), nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer.data(), outPtr);
        return i;
    }

private:
    static void AppendUnits(const char* begin, const char* end, std::u16string& out) {
        for (const char* p = begin; p + 1 < end; p += 2) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                                (static_cast<unsigned char>(p[1]) << 8)));
        }
    }

    std::string m_name;
};

// Tries every byte alone: a code page in which no byte needs a follower is
// single-byte and gets tables.
bool BuildSingleByteTable(const std::string& codeset, std::array<char16_t, 256>& table) {
    IconvHandle converter("UTF-16LE", codeset);
    if (!converter.Valid()) return false;
    for (int byte = 0; byte < 256; ++byte) {
        char input = static_cast<char>(byte);
        char* in = &input;
        std::size_t inLeft = 1;
        std::array<char, 8> output{};
        char* outPtr = output.data();
        std::size_t outLeft = output.size();
        const std::size_t result = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
        if (result == static_cast<std::size_t>(-1)) {
            if (error == EINVAL) return false;  // a lead byte: multi-byte code page
            table[byte] = ReplacementCharacter;
            continue;
        }
        if (outPtr - output.data() != 2) return false;
        table[byte] = static_cast<char16_t>(static_cast<unsigned char>(output[0]) |
                                            (static_cast<unsigned char>(output[1]) << 8));
    }
    return true;
}

}  // namespace

std::unique_ptr<CodePage> OpenCodePage(std::string_view codeset) {
    if (IsUtf8Name(codeset)) return std::make_unique<Utf8CodePage>();
    const std::string name(codeset);
    {
        IconvHandle probe("UTF-16LE", name);
        if (!probe.Valid()) throw std::runtime_error("Unknown code page \"" + name + "\"");
    }
    std::array<char16_t, 256> table{};
    if (BuildSingleByteTable(name, table)) {
        return std::make_unique<SingleByteCodePage>(name, table);
    }
    return std::make_unique<IconvCodePage>(name);
}

const CodePage& CodePageNamed(std::string_view codeset) {
    // Code pages are made once and kept: a single-byte one builds its tables
    // from 256 conversions, and a catalogue meets the same few again and again.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<CodePage>, std::less<>> opened;
    std::lock_guard lock(mutex);
    auto found = opened.find(codeset);
    if (found == opened.end()) {
        found = opened.emplace(std::string(codeset), OpenCodePage(codeset)).first;
    }
    return *found->second;
}

namespace {

// The code page stands in for Windows' system code page for the whole run:
// the locale does not change while the program runs.
struct SystemChoice {
    const CodePage* codePage = nullptr;
    std::string warning;
};

const SystemChoice& TheSystemChoice() {
    static const SystemChoice choice = [] {
        SystemChoice made;
        const char* ctype = std::setlocale(LC_CTYPE, nullptr);
        const std::string name =
            ChooseSystemCodePage(nl_langinfo(CODESET), ctype != nullptr ? ctype : "C",
                                 std::getenv("COURSEVIEW_CODEPAGE"), &made.warning);
        try {
            made.codePage = &CodePageNamed(name);
        } catch (const std::runtime_error&) {
            made.codePage = &CodePageNamed("CP1252");
        }
        return made;
    }();
    return choice;
}

}  // namespace

const CodePage& SystemCodePage() { return *TheSystemChoice().codePage; }

const std::string& SystemCodePageWarning() { return TheSystemChoice().warning; }

const CodePage& LocaleCodePage() {
    static const CodePage& locale = []() -> const CodePage& {
        try {
            return CodePageNamed(nl_langinfo(CODESET));
        } catch (const std::runtime_error&) {
            return CodePageNamed("UTF-8");
        }
    }();
    return locale;
}

}  // namespace courseview
