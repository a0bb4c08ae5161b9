// The wrapper page's picture fragment for any path bytes: always one
// well-formed <img> tag whose src value never closes early and lets no markup
// out; read back as a browser reads it (entities and percent escapes undone)
// it gives the path's bytes exactly; and the page written around it survives
// the code page unchanged and keeps its four lines.

#include <dirent.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "FuzzSupport.h"
#include "TextFile.h"
#include "Utf.h"
#include "WrapperPage.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The src value as a browser reads it back into the file name's bytes, or a
// reason why the value is not well formed.
bool ReadSourceBack(std::u16string_view value, std::string& bytes, std::string& problem) {
    std::u16string characters;  // converted together, so surrogate pairs stay whole
    auto flush = [&] {
        bytes += Utf16ToUtf8(characters);
        characters.clear();
    };
    for (std::size_t i = 0; i < value.size();) {
        const char16_t c = value[i];
        if (c == u'&') {
            flush();
            const auto semicolon = value.find(u';', i);
            const std::u16string_view entity = value.substr(i, semicolon - i + 1);
            if (entity == u"&amp;") {
                bytes += '&';
            } else if (entity == u"&quot;") {
                bytes += '"';
            } else if (entity == u"&lt;") {
                bytes += '<';
            } else if (entity == u"&gt;") {
                bytes += '>';
            } else {
                problem = "unknown entity";
                return false;
            }
            i += entity.size();
        } else if (c == u'%') {
            flush();
            const int high = i + 1 < value.size() ? HexDigit(value[i + 1]) : -1;
            const int low = i + 2 < value.size() ? HexDigit(value[i + 2]) : -1;
            if (high < 0 || low < 0) {
                problem = "a percent sign without two hex digits";
                return false;
            }
            bytes.push_back(static_cast<char>(high * 16 + low));
            i += 3;
        } else if (c < 0x20 || c == 0x7F || c == u'#' || c == u'?' || c == u'\\' || c == u'<' ||
                   c == u'>' || c == u'"') {
            problem = "a character the address or the markup would take for its own";
            return false;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 &&
                   value[i + 1] <= 0xDFFF) {
            characters.push_back(c);
            characters.push_back(value[i + 1]);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            problem = "a lone surrogate";
            return false;
        } else {
            characters.push_back(c);
            ++i;
        }
    }
    flush();
    return true;
}

std::string MakeFolder(const char* pattern) {
    std::string folder = (std::filesystem::temp_directory_path() / pattern).string();
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    return folder + "/";
}

struct Folders {
    std::string program = MakeFolder("courseview-fuzz-program-XXXXXX");
    std::string runtime = MakeFolder("courseview-fuzz-runtime-XXXXXX");
    std::string notAFolder = program + "disc";  // a plain file: nothing can be created below it
};

const Folders& TheFolders() {
    static const Folders folders = [] {
        Folders made;
        FILE* file = std::fopen(made.notAFolder.c_str(), "w");
        if (file == nullptr) std::abort();
        std::fclose(file);
        static Folders removeAtExit = made;
        std::atexit([] {
            std::filesystem::remove_all(removeAtExit.program);
            std::filesystem::remove_all(removeAtExit.runtime);
        });
        return made;
    }();
    return folders;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return "<missing>";
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, file)) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage& codePage = PickCodePage(input.ConsumeIntegral<std::uint8_t>());
    const bool readOnlyProgramFolder = input.ConsumeBool();
    const int width = input.ConsumeIntegralInRange<int>(0, 5000);
    const int height = input.ConsumeIntegralInRange<int>(0, 5000);
    const std::string path = input.ConsumeRemainingBytesAsString();

    const std::u16string fragment = PictureFragment(path, width, height, codePage);
    const std::u16string opening = u"<img src=\"";
    const std::u16string closing = u"\" height=\"" + Utf8ToUtf16(std::to_string(height - 12)) +
                                   u"\" width=\"" + Utf8ToUtf16(std::to_string(width - 12)) +
                                   u"\">";
    FUZZ_CHECK(fragment.rfind(opening, 0) == 0, Hex(fragment));
    FUZZ_CHECK(fragment.size() >= opening.size() + closing.size() &&
                   fragment.compare(fragment.size() - closing.size(), closing.size(), closing) == 0,
               Hex(fragment));
    const std::u16string_view value = std::u16string_view(fragment).substr(
        opening.size(), fragment.size() - opening.size() - closing.size());
    FUZZ_CHECK(value.find_first_of(u"\"<>") == std::u16string_view::npos,
               "the value closes early or opens markup: " + Utf16ToUtf8(value));

    std::string readBack;
    std::string problem;
    FUZZ_CHECK(ReadSourceBack(value, readBack, problem), problem + ": " + Hex(value));
    FUZZ_CHECK(readBack == path, "path " + Hex(path) + "\nread back " + Hex(readBack));
    FUZZ_CHECK(codePage.ToUtf16(codePage.FromUtf16(fragment)) == fragment,
               codePage.Name() + " cannot carry " + Hex(fragment));

    // The page on disk: four lines in the code page, nothing left beside it.
    const Folders& folders = TheFolders();
    WrapperPageWriter writer(
        WrapperPagePlaces(readOnlyProgramFolder ? folders.notAFolder + "/" : folders.program,
                          {folders.runtime}, ::getpid()),
        codePage);
    const std::filesystem::path written = writer.Write(fragment);
    const std::string expected = codePage.FromUtf16(JoinLines(WrapperPageLines(fragment)));
    FUZZ_CHECK(FileBytes(written) == expected, "the page on disk differs: " + written.string());
    FUZZ_CHECK(SplitLines(codePage.ToUtf16(expected)).size() == 4, "the page is not four lines");
    if (readOnlyProgramFolder) {
        FUZZ_CHECK(written.parent_path() == std::filesystem::path(folders.runtime).parent_path(),
                   written.string());
        FUZZ_CHECK(Names(folders.runtime).size() == 1, "more than the page in the runtime folder");
    } else {
        FUZZ_CHECK(written == folders.program + "temp.htm", written.string());
        FUZZ_CHECK((Names(folders.program) == std::vector<std::string>{"disc", "temp.htm"}),
                   "something beside the page in the program folder");
    }
    writer.RemovePages();
    FUZZ_CHECK(!std::filesystem::exists(written), "the page outlived RemovePages");
    FUZZ_CHECK(std::filesystem::exists(folders.notAFolder), "RemovePages took more than its page");
    return 0;
}
