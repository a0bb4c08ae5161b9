#include <gtest/gtest.h>

#include <cerrno>

#include "FileError.h"
#include "TempFolder.h"
#include "TextFile.h"

using namespace courseview;
using courseview::testing::ReadFileBytes;
using courseview::testing::TempFolder;

namespace {
const auto Cp1251 = OpenCodePage("CP1251");
const auto Utf8 = OpenCodePage("UTF-8");
}  // namespace

TEST(TextFile, ByteOrderMarkSelectsTheDecoding) {
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                     "A\0\x1B\x04",
                                     6),
                         *Cp1251),
              u"AЛ");
    EXPECT_EQ(DecodeText(std::string("\xFE\xFF\0A\x04\x1B", 6), *Cp1251), u"AЛ");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xD0\x9B", *Cp1251), u"Л");
    EXPECT_EQ(DecodeText("\xCB", *Cp1251), u"Л") << "no mark: the system code page";
    EXPECT_EQ(DecodeText("\xFF\xFE", *Cp1251), u"") << "a mark alone is an empty text";
    EXPECT_EQ(DecodeText("\xFF", *Cp1251), u"я");
}

TEST(TextFile, OddByteAfterUtf16MarkIsNotDropped) {
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                     "A\0B",
                                     5),
                         *Utf8),
              u"A\uFFFD");
}

TEST(TextFile, FirstNulEndsTheText) {
    EXPECT_EQ(DecodeText(std::string("ab\0cd", 5), *Utf8), u"ab");
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                     "a\0\0\0b\0",
                                     8),
                         *Utf8),
              u"a");
}

TEST(TextFile, ChunkedDecodingMatchesWholeDecoding) {
    const std::string texts[] = {std::string("\xEF\xBB\xBF\xD0\x9B\xD0\x9C x", 9),
                                 std::string("\xFF\xFE"
                                             "A\0\x1B\x04"
                                             "B\0",
                                             8),
                                 "\xD0\x9B\xD0", "\xFE"};
    for (const auto& text : texts) {
        const std::u16string whole = DecodeText(text, *Utf8);
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            TextDecoder decoder(*Utf8);
            std::u16string pieces;
            decoder.Feed(std::string_view(text).substr(0, cut), false, pieces);
            decoder.Feed(std::string_view(text).substr(cut), true, pieces);
            EXPECT_EQ(pieces, whole) << "cut at " << cut;
        }
    }
}

TEST(TextFile, LinesBreakAtCrLfCrAndLf) {
    using Lines = std::vector<std::u16string>;
    EXPECT_EQ(SplitLines(u"a\r\nb\rc\nd"), (Lines{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(SplitLines(u"a\n\rb"), (Lines{u"a", u"", u"b"})) << "LF CR is two breaks";
    EXPECT_EQ(SplitLines(u"a\r\n"), (Lines{u"a"})) << "a final break adds no empty line";
    EXPECT_EQ(SplitLines(u"\n"), (Lines{u""}));
    EXPECT_EQ(SplitLines(u""), Lines{});
    EXPECT_EQ(JoinLines({u"a", u"b"}), u"a\r\nb\r\n");
    EXPECT_EQ(JoinLines({}), u"");
}

TEST(TextFile, SavedLinesAreCrLfInTheCodePageWithoutMark) {
    TempFolder folder;
    const std::string path = folder.Path() + "out.htm";
    folder.Write("out.htm", "an older and much longer content that must go");
    SaveTextLines(path, {u"Лекция", u""}, *Cp1251);
    EXPECT_EQ(ReadFileBytes(path), "\xCB\xE5\xEA\xF6\xE8\xFF\r\n\r\n");
    EXPECT_EQ(LoadTextLines(path, *Cp1251), (std::vector<std::u16string>{u"Лекция", u""}));
}

TEST(TextFile, FileErrorsNameThePathAndTheReason) {
    TempFolder folder;
    try {
        LoadTextLines(folder.Path() + "missing.htm", *Utf8);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + folder.Path() +
                                                 "missing.htm\". " + SystemErrorText(ENOENT));
    }
    folder.MakeFolder("page.htm");
    EXPECT_THROW(SaveTextLines(folder.Path() + "page.htm", {u"x"}, *Utf8), FileError);
    try {
        SaveTextLines(folder.Path() + "page.htm", {u"x"}, *Utf8);
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + folder.Path() +
                                                 "page.htm\". " + SystemErrorText(EISDIR));
    }
}
