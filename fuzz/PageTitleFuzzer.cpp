// Page titles: whatever the bytes of a page, the title read as the file
// streams in equals the title by the rule read literally (TitleByTheRule:
// the whole page decoded, lines joined with CR LF, tokenized, searched, cut
// at the documented cap), whatever the system code page.
//
// Input: a code page, optional padding
// (to push a chosen byte onto the reader's buffer boundary, or to make a token
// longer than the cap), then the page.

#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "FuzzSupport.h"
#include "PageTitle.h"
#include "TextFile.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

// The reader's buffer size: a chunk boundary falls at every multiple.
constexpr std::size_t ReaderChunk = 16384;

// Repeated as padding: ASCII, UTF-8 of two, three and four bytes, UTF-16 units
// and a surrogate pair, GB18030 of two and four bytes.
constexpr std::array<std::string_view, 10> PaddingUnits = {" ",
                                                           "x",
                                                           "\xD0\x96",
                                                           "\xE4\xB8\xAD",
                                                           "\xF0\x9F\x98\x80",
                                                           std::string_view("x\0", 2),
                                                           "\x16\x04",
                                                           "\x3D\xD8\x00\xDE",
                                                           "\xB0\xA1",
                                                           "\x81\x30\x81\x30"};

const std::string& PagePath() {
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

void WriteFile(const std::string& path, std::string_view bytes) {
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

std::string Repeated(std::string_view unit, std::size_t length) {
    std::string out;
    out.reserve(length + unit.size());
    while (out.size() < length) out += unit;
    out.resize(length);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage& codePage = PickCodePage(input.ConsumeIntegral<std::uint8_t>());
    const auto padding = input.ConsumeIntegral<std::uint8_t>();
    const auto paddingAt = input.ConsumeIntegral<std::uint16_t>();
    const auto boundaryOffset = input.ConsumeIntegralInRange<std::size_t>(0, 15);
    std::string page = input.ConsumeRemainingBytesAsString();

    const std::string_view unit = PaddingUnits[(padding >> 3) % PaddingUnits.size()];
    const std::size_t at = paddingAt % (page.size() + 1);
    // Big files are slow to fuzz: most inputs go without padding.
    if ((padding & 7) == 1 && at + boundaryOffset <= ReaderChunk) {
        // The byte `boundaryOffset` past `at` becomes the first of a new chunk.
        page.insert(at, Repeated(unit, ReaderChunk - at - boundaryOffset));
    } else if ((padding & 7) == 2) {
        page.insert(at, Repeated(unit, MaximumTitleLength + 2048 * boundaryOffset));
    }
    WriteFile(PagePath(), page);

    const std::u16string streamed = ReadPageTitle(PagePath(), codePage);
    const std::u16string expected = TitleByTheRule(page, codePage);
    if (streamed != expected) {
        std::size_t at = 0;
        while (at < streamed.size() && at < expected.size() && streamed[at] == expected[at]) ++at;
        const std::size_t from = at < 16 ? 0 : at - 16;
        FUZZ_CHECK(streamed == expected,
                   codePage.Name() + ", " + std::to_string(page.size()) + " bytes: streamed " +
                       std::to_string(streamed.size()) + " units, literal " +
                       std::to_string(expected.size()) + ", first difference at " +
                       std::to_string(at) +
                       "\nstreamed: " + Hex(std::u16string_view(streamed).substr(from, 40)) +
                       "\nexpected: " + Hex(std::u16string_view(expected).substr(from, 40)));
    }
    FUZZ_CHECK(streamed.empty() || streamed.front() == u' ', Hex(streamed));

    return 0;
}
