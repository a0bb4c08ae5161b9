#include <gtest/gtest.h>

#include <filesystem>

#include "CharsetPrescan.h"
#include "EncodingLabels.h"
#include "PageEncoding.h"
#include "TempFolder.h"

using namespace courseview;
using courseview::testing::ReadFileBytes;

namespace {
std::string Declared(std::string_view head) {
    return PrescanDeclaredEncoding(head).value_or("(none)");
}
}  // namespace

TEST(CharsetPrescan, FindsTheDeclarationsBrowsersFind) {
    struct Case {
        std::string_view head, encoding;
    };
    const std::string pad(1000, ' ');
    for (const Case& c : {
             Case{"<meta charset=windows-1251>", "windows-1251"},
             Case{"<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                  "CHARSET=KOI8-R\"></HEAD>",
                  "KOI8-R"},
             Case{"<meta content='text/html;charset=\"cp1251\"' http-equiv=content-type>",
                  "windows-1251"},
             Case{"<meta/charset='utf-8'/>", "UTF-8"},
             Case{"<meta charset=utf-8/>", "(none)"},
             Case{"<meta charset=utf-16le>", "UTF-8"},
             Case{"<meta charset=x-user-defined>", "windows-1252"},
             Case{"<meta charset=iso-2022-kr>", "replacement"},
             Case{"<meta charset=bogus><meta charset=koi8-u>", "KOI8-U"},
             Case{"<meta charset=koi8-r charset=cp1251>", "KOI8-R"},
             Case{"<meta charset=koi8-r content='text/html; charset=cp1251' "
                  "http-equiv=content-type>",
                  "KOI8-R"},
             Case{"<meta content='text/html; charset=cp1251'>", "(none)"},
             Case{"<meta charset=bogus content='text/html; charset=cp1251' "
                  "http-equiv=content-type>",
                  "(none)"},
             Case{"<!-- <meta charset=cp1251> --><meta charset=koi8-r>", "KOI8-R"},
             Case{"<!--><meta charset=cp1251>", "windows-1251"},
             Case{"<p title='<meta charset=cp1251>'><meta charset=koi8-r>", "KOI8-R"},
             Case{"<? <meta charset=cp1251> ?><meta charset=koi8-r>", "KOI8-R"},
             Case{"<meta charset=cp1251", "(none)"},
             Case{"<!-- <meta charset=cp1251>", "(none)"},
             Case{std::string_view("<\0?\0x\0m\0l\0", 10), "UTF-16LE"},
             Case{std::string_view("\0<\0?\0x\0m\0l", 10), "UTF-16BE"},
         }) {
        EXPECT_EQ(Declared(c.head), c.encoding) << c.head;
    }
    EXPECT_EQ(Declared(pad + "<meta charset=cp1251>"), "windows-1251");
    EXPECT_EQ(Declared(pad + "    <meta charset=cp1251>"), "(none)") << "cut at 1024 bytes";
    EXPECT_EQ(Declared(std::string(1100, ' ') + "<meta charset=cp1251>"), "(none)");
}

TEST(CharsetPrescan, ContentTypeNamesItsCharset) {
    struct Case {
        std::string_view content, encoding;
    };
    for (const Case& c : {Case{"text/html; charset=windows-1251", "windows-1251"},
                          Case{"text/html;charset = \"koi8-r\" ", "KOI8-R"},
                          Case{"charsetcharset=cp1251;x", "windows-1251"},
                          Case{"text/html; charset='utf-8", "(none)"},
                          Case{"text/html; charset=", "(none)"}, Case{"text/html", "(none)"}}) {
        EXPECT_EQ(EncodingFromContentType(c.content).value_or("(none)"), c.encoding) << c.content;
    }
}

namespace {

struct Html5libCase {
    std::string data, encoding;
};

// The cases of one html5lib encoding file: "#data", the bytes, "#encoding",
// the encoding a browser picks.
std::vector<Html5libCase> ReadHtml5libCases(const std::filesystem::path& file) {
    std::vector<Html5libCase> cases;
    const std::string text = ReadFileBytes(file.string());
    const std::string_view dataMark = "#data\n", encodingMark = "\n#encoding\n";
    for (std::size_t at = text.find(dataMark); at != std::string::npos;) {
        const std::size_t dataStart = at + dataMark.size();
        const std::size_t encodingAt = text.find(encodingMark, dataStart);
        if (encodingAt == std::string::npos) break;
        const std::size_t encodingStart = encodingAt + encodingMark.size();
        const std::size_t encodingEnd = text.find('\n', encodingStart);
        cases.push_back({text.substr(dataStart, encodingAt - dataStart),
                         text.substr(encodingStart, encodingEnd - encodingStart)});
        at = text.find(dataMark, encodingEnd);
    }
    return cases;
}

}  // namespace

// Every html5lib case a prescan can settle gets the very encoding a browser
// picks, with windows-1252 where no declaration takes effect, so its text
// decodes as there. A "<meta" at or past byte 1024 marks the cases only the
// full HTML parser settles (declarations behind long comments and scripts):
// those are left out.
TEST(CharsetPrescan, PicksTheEncodingsOfTheHtml5libCases) {
    const std::filesystem::path folder = std::filesystem::path(HTML5LIB_TESTS) / "encoding";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << folder << " is not there";
    int checked = 0, leftOut = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".dat") continue;
        for (const Html5libCase& c : ReadHtml5libCases(entry.path())) {
            const std::optional<PageEncoding> found = MarkedOrDeclaredEncoding(c.data);
            if (!found && c.data.find("<meta", PrescanBytes) != std::string::npos) {
                ++leftOut;
                continue;
            }
            const std::string chosen = found ? found->name : "windows-1252";
            const EncodingInfo* listed = EncodingForLabel(c.encoding);
            ASSERT_NE(listed, nullptr) << c.encoding;
            EXPECT_EQ(chosen, listed->name) << entry.path().filename() << ":\n" << c.data;
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
    EXPECT_LT(leftOut, 10);
}
