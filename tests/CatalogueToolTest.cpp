#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "CodePage.h"
#include "ShellCommand.h"
#include "TempFolder.h"

using courseview::SystemCodePage;
using courseview::testing::CommandRun;
using courseview::testing::RunShellCommand;
using courseview::testing::ShellQuoted;
using courseview::testing::TempFolder;

namespace {

CommandRun Tool(const std::string& arguments) {
    return RunShellCommand(std::string(CATALOGUE_TOOL) + " " + arguments + " 2>&1");
}

}  // namespace

TEST(CatalogueTool, JsonNamesEveryPathAsFolderGivenPlusNameAndAsAUri) {
    TempFolder folder;
    folder.Write("a^/x.jpg", "x");
    const std::string given = folder.Path().substr(0, folder.Path().size() - 1);  // no trailing "/"
    const CommandRun run = Tool("--json " + ShellQuoted(given));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output,
              "{\"nodes\": [{\"caption\": \"a\", \"entry\": 0, \"children\": [{\"caption\": "
              "\"x\", \"entry\": 1, \"children\": []}]}], \"paths\": [\"" +
                  given + "/a^\", \"" + given + "/a^/x.jpg\"], \"uris\": [\"file://" + given +
                  "/a%5E\", \"file://" + given + "/a%5E/x.jpg\"], \"notes\": [], \"codePage\": \"" +
                  SystemCodePage().Name() + "\"}\n");
}

TEST(CatalogueTool, UrisFindNamesThatAreNotUtf8FromARelativeFolder) {
    TempFolder folder;
    folder.Write("c/bad\xFF\xC0.jpg", "x");
    const CommandRun run =
        RunShellCommand("cd " + ShellQuoted(folder.Path()) + " && " + CATALOGUE_TOOL +
                        " --json c | python3 -c 'import json,sys; "
                        "d=json.load(sys.stdin); print(d[\"paths\"], d[\"uris\"])'");
    EXPECT_EQ(run.output, "['c/bad\xEF\xBF\xBD\xEF\xBF\xBD.jpg'] ['file://" + folder.Path() +
                              "c/bad%FF%C0.jpg']\n");
}

TEST(CatalogueTool, ReadableOutputEndsWithTheCodePageAndAnUnknownOverrideIsSaid) {
    TempFolder folder;
    const CommandRun plain = Tool(ShellQuoted(folder.Path()));
    EXPECT_TRUE(plain.output.ends_with("\ncode page: " + SystemCodePage().Name() + "\n"))
        << plain.output;
    const CommandRun chosen =
        RunShellCommand("COURSEVIEW_CODEPAGE=KOI8-R " + std::string(CATALOGUE_TOOL) + " " +
                        ShellQuoted(folder.Path()) + " 2>&1");
    EXPECT_TRUE(chosen.output.ends_with("\ncode page: KOI8-R\n")) << chosen.output;
    const CommandRun unknown =
        RunShellCommand("LC_ALL=C COURSEVIEW_CODEPAGE=no-such-page " + std::string(CATALOGUE_TOOL) +
                        " " + ShellQuoted(folder.Path()) + " 2>/dev/null");
    EXPECT_EQ(unknown.exitCode, 0);
    EXPECT_TRUE(unknown.output.ends_with("\ncode page: CP1252\n")) << unknown.output;
    const CommandRun said =
        RunShellCommand("LC_ALL=C COURSEVIEW_CODEPAGE=no-such-page " + std::string(CATALOGUE_TOOL) +
                        " " + ShellQuoted(folder.Path()) + " 2>&1 >/dev/null");
    EXPECT_EQ(said.output,
              "courseview-catalogue: COURSEVIEW_CODEPAGE=\"no-such-page\" is not a code page this "
              "system can convert; pages without a declaration are read in CP1252.\n");
}

TEST(CatalogueTool, OutputThatCannotBeWrittenIsAnErrorOnOneLine) {
    TempFolder folder;
    folder.Write("a.htm", "<title>Page</title>");
    for (const std::string& output : {std::string(">/dev/full"), std::string(">&-")}) {
        for (const std::string& options :
             {std::string(""), std::string("--json "), std::string("--help")}) {
            const std::string arguments =
                options == "--help" ? options : options + ShellQuoted(folder.Path());
            const CommandRun run =
                RunShellCommand(std::string(CATALOGUE_TOOL) + " " + arguments + " 2>&1 " + output);
            EXPECT_EQ(run.exitCode, 2) << arguments << output;
            EXPECT_TRUE(run.output.starts_with("courseview-catalogue: cannot write the output: "))
                << run.output;
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        }
    }
}

TEST(CatalogueTool, JsonStaysValidForHostileNames) {
    if (RunShellCommand("command -v python3 >/dev/null && echo yes").output != "yes\n") {
        GTEST_SKIP() << "python3 checks the JSON";
    }
    TempFolder folder;
    folder.Write("q\"\\\n\t\x01<script>.jpg", "x");
    folder.Write("bad\xFF\xC0.jpg", "x");
    folder.Write("page.htm", "<title>\"quoted\" \\ back</title>");
    folder.Write("_hidden/a.htm", "x");
    const CommandRun run =
        RunShellCommand(std::string(CATALOGUE_TOOL) + " --json " + ShellQuoted(folder.Path()) +
                        " | python3 -c 'import json,sys; d=json.load(sys.stdin); "
                        "print(len(d[\"nodes\"]), len(d[\"paths\"]), len(d[\"notes\"]))'");
    EXPECT_EQ(run.output, "3 3 1\n");
}

TEST(CatalogueTool, UnreadablePartsStillExitZeroAndAreNamed) {
    TempFolder folder;
    ASSERT_EQ(::symlink("nowhere", (folder.Path() + "broken.htm").c_str()), 0);
    const CommandRun run = Tool(ShellQuoted(folder.Path()));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("broken.htm: error ended the folder's listing (Cannot open file"),
              std::string::npos)
        << run.output;
}
