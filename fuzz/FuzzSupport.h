#pragma once
// What every fuzz target shares: the code pages a page can be read in, and a
// check that stops the run with the evidence when a property fails.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace courseview::fuzzing {

// UTF-8, two single-byte pages (Russian Windows and Unix), and multi-byte
// pages with two-, three- and four-byte characters.
inline const CodePage& PickCodePage(std::uint8_t selector) {
    static const std::vector<std::unique_ptr<CodePage>> pages = [] {
        std::vector<std::unique_ptr<CodePage>> opened;
        for (const char* name : {"UTF-8", "CP1251", "KOI8-R", "BIG5", "EUC-JP", "GB18030"}) {
            opened.push_back(OpenCodePage(name));
        }
        return opened;
    }();
    return *pages[selector % pages.size()];
}

// Strict UTF-8, written apart from the converters under test.
inline bool IsWellFormedUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (i + length > bytes.size()) return false;
        if (length > 1) {
            const auto second = static_cast<unsigned char>(bytes[i + 1]);
            if (second < low || second > high) return false;
            for (std::size_t k = 2; k < length; ++k) {
                if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
            }
        }
        i += length;
    }
    return true;
}

inline std::string Hex(std::u16string_view text) {
    std::string out;
    char unit[8];
    for (char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04X ", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

inline std::string Hex(std::string_view bytes) {
    std::string out;
    char unit[4];
    for (unsigned char c : bytes) {
        std::snprintf(unit, sizeof unit, "%02X ", c);
        out += unit;
    }
    return out;
}

// A page file in a folder of this run's own, removed when the run ends: for
// targets that read pages as the program does, from disk.
inline const std::string& ScratchPagePath() {
    static const std::string path = [] {
        std::string folder =
            (std::filesystem::temp_directory_path() / "courseview-fuzz-XXXXXX").string();
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        static std::string removeAtExit = folder;
        std::atexit([] { std::filesystem::remove_all(removeAtExit); });
        return folder + "/page.htm";
    }();
    return path;
}

inline void WriteWholeFile(const std::string& path, std::string_view bytes) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) std::abort();
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count <= 0) std::abort();
        written += static_cast<std::size_t>(count);
    }
    ::close(descriptor);
}

[[noreturn]] inline void PropertyFailed(const char* property, const std::string& detail) {
    std::fprintf(stderr, "PROPERTY FAILED: %s\n%s\n", property, detail.c_str());
    std::abort();
}

}  // namespace courseview::fuzzing

// Stops the run when `condition` is false; `detail` is only built then.
#define FUZZ_CHECK(condition, detail)                                                  \
    do {                                                                               \
        if (!(condition)) ::courseview::fuzzing::PropertyFailed(#condition, (detail)); \
    } while (false)
