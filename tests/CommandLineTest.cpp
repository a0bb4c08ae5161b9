// The programs' command lines: options, the folder a person names (a path or
// a file:// URI), and the bad ones, each refused on one line before anything
// else happens.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "CommandLine.h"
#include "CourseFolder.h"
#include "ShellCommand.h"
#include "TempFolder.h"

using namespace courseview;
using courseview::testing::CommandRun;
using courseview::testing::RunShellCommand;
using courseview::testing::ShellQuoted;
using courseview::testing::TempFolder;

#ifndef VIEWER_EXECUTABLE
#define VIEWER_EXECUTABLE ""  // built without the window: the tool alone is run
#endif

namespace {

using Request = CommandLine::Request;

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` and no display, as a student would be
// without permission to override the folders' modes, even when root.
ProgramRun RunWithoutDisplay(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& folder) {
    std::string command = "cd " + ShellQuoted(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY ";
    if (::geteuid() == 0) {
        command +=
            "setpriv --inh-caps=-dac_override,-dac_read_search "
            "--bounding-set=-dac_override,-dac_read_search ";
    }
    command += ShellQuoted(program);
    for (const auto& argument : arguments) command += " " + ShellQuoted(argument);
    command += " 2>" + ShellQuoted(folder + ".err") + " </dev/null";
    ProgramRun run;
    CommandRun shell = RunShellCommand(command);
    run.out = std::move(shell.output);
    run.status = shell.exitCode;
    run.err = courseview::testing::ReadFileBytes(folder + ".err");
    return run;
}

}  // namespace

TEST(CommandLine, OptionsFoldersAndTheirMisuse) {
    struct Case {
        std::vector<std::string> arguments;
        Request request;
        std::string folder;  // "" for none
        std::string problem;
    };
    for (const Case& c : {
             Case{{}, Request::Run, "", ""},
             Case{{"--json", "a"}, Request::Run, "a", ""},
             Case{{"-"}, Request::Run, "-", ""},
             Case{{"--", "-a"}, Request::Run, "-a", ""},
             Case{{"--", "--help"}, Request::Run, "--help", ""},
             Case{{"a", "--help"}, Request::Help, "", ""},
             Case{{"--version", "--bogus"}, Request::Version, "", ""},
             Case{{"-a"}, Request::Misuse, "", "unknown option \"-a\""},
             Case{{"--bogus", "--help"}, Request::Misuse, "", "unknown option \"--bogus\""},
             Case{{"a", "a"}, Request::Misuse, "", "more than one folder given: \"a\" and \"a\""},
             Case{{"a", "--", "b"}, Request::Misuse, "", "more than one folder given"},
             Case{{"--json", "--json", "a"}, Request::Misuse, "", "--json given twice"},
             Case{{"--find", "-x", "a"}, Request::Run, "a", ""},
             Case{{"a", "--find"}, Request::Misuse, "", "--find needs a value"},
             Case{{"--find", "x", "--find", "y", "a"}, Request::Misuse, "", "--find given twice"},
         }) {
        const CommandLine line = ParseCommandLine(c.arguments, {"--json"}, {"--find"});
        const std::string shown = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(line.request, c.request) << shown;
        if (c.request == Request::Run) {
            EXPECT_EQ(line.folder.value_or(""), c.folder) << shown;
        }
        EXPECT_EQ(line.problem.substr(0, c.problem.size()), c.problem) << shown;
    }
}

TEST(CommandLine, ViewerFolderIsAbsoluteWithOneSlashBetweenSteps) {
    struct Case {
        std::string argument;
        std::string folder;  // "" when the argument names none
    };
    for (const Case& c : {
             Case{"/media/cd", "/media/cd/"},
             Case{"/media/cd///", "/media/cd/"},
             Case{"курс//глава/./", "/home/u/курс/глава/"},
             Case{".", "/home/u/"},
             Case{"../x", "/home/u/../x/"},
             Case{"/", "/"},
             Case{"file:///media/%D0%9A%20%d0%bb%FF/", "/media/\xD0\x9A \xD0\xBB\xFF/"},
             Case{"FILE://localhost/a%2Fb", "/a/b/"},
             Case{"file:/a", "/a/"},
             Case{"file://server/a", ""},
             Case{"file:///a%2", ""},
             Case{"file:///a%zz", ""},
             Case{"file:///a%00b", ""},
             Case{"file:///a#b", ""},
             Case{"file:relative", ""},
             Case{"", ""},
         }) {
        const CommandLine line = ParseViewerCommandLine({c.argument}, "/home/u");
        if (c.folder.empty()) {
            EXPECT_EQ(line.request, Request::Misuse) << c.argument;
            EXPECT_FALSE(line.problem.empty());
        } else {
            EXPECT_EQ(line.request, Request::Run) << c.argument;
            EXPECT_EQ(line.folder.value_or(""), c.folder) << c.argument;
        }
    }
    EXPECT_FALSE(ParseViewerCommandLine({}, "/home/u").folder);
    EXPECT_EQ(ParseViewerCommandLine({"a"}, "").request, Request::Misuse) << "no working folder";
}

// Both programs refuse the same bad folders alike: one line on stderr, exit
// 2, nothing on stdout. A folder the viewer accepts takes it as far as the
// missing display (exit 1); the tool lists it (exit 0).
TEST(CommandLine, BadFoldersAreRefusedOnOneLineBeforeAnyWindow) {
    TempFolder folder;
    folder.Write("file.htm", "x");
    folder.MakeFolder("курс \xFF");
    folder.MakeFolder("-dash");
    folder.MakeFolder("locked");
    ::chmod((folder.Path() + "locked").c_str(), 0);
    ASSERT_EQ(::mkfifo((folder.Path() + "pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("nowhere", (folder.Path() + "dangling").c_str()), 0);
    const std::string uri = "file://" + folder.Path() + "%D0%BA%D1%83%D1%80%D1%81%20%FF";
    struct Case {
        std::vector<std::string> arguments;
        int viewer;  // exit status; 1: accepted, stopped by the missing display
        int tool;
        std::string says;  // on stderr when refused
    };
    for (const Case& c : {
             Case{{"file.htm"}, 2, 2, "is not a folder"},
             Case{{"pipe"}, 2, 2, "is not a folder"},
             Case{{"dangling"}, 2, 2, "is a link to nothing"},
             Case{{"missing"}, 2, 2, "does not exist"},
             Case{{"locked"}, 2, 2, "cannot be read: Permission denied"},
             Case{{uri}, 1, 2, ""},
             Case{{uri + "%FF"}, 2, 2, "does not exist"},
             Case{{"курс \xFF"}, 1, 0, ""},
             Case{{"-dash"}, 2, 2, "unknown option \"-dash\""},
             Case{{"--", "-dash"}, 1, 0, ""},
             Case{{"-dash", "-dash"}, 2, 2, "unknown option"},
             Case{{"--", "-dash", "-dash"}, 2, 2, "more than one folder given"},
             Case{{".", "курс \xFF"}, 2, 2, "more than one folder given"},
             Case{{"--bogus"}, 2, 2, "unknown option \"--bogus\""},
             Case{{}, 1, 2, ""},
         }) {
        for (const auto& [program, expected] :
             {std::pair{std::string(CATALOGUE_TOOL), c.tool},
              std::pair{std::string(VIEWER_EXECUTABLE), c.viewer}}) {
            if (program.empty()) continue;
            const std::string shown = program + " " + ::testing::PrintToString(c.arguments);
            const ProgramRun run = RunWithoutDisplay(program, c.arguments, folder.Path());
            EXPECT_EQ(run.status, expected) << shown << "\n" << run.err;
            if (expected == 0) continue;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << shown << run.err;
            EXPECT_NE(run.err.find(c.says), std::string::npos) << shown << "\n" << run.err;
            EXPECT_EQ(run.out, "") << shown;
        }
    }
    ::chmod((folder.Path() + "locked").c_str(), 0755);
}

TEST(CommandLine, HelpAndVersionGoToStdoutWithoutAWindow) {
    TempFolder folder;
    for (const std::string program : {CATALOGUE_TOOL, VIEWER_EXECUTABLE}) {
        if (program.empty()) continue;
        const std::string name = program.substr(program.rfind('/') + 1);
        const ProgramRun help = RunWithoutDisplay(program, {"--help"}, folder.Path());
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: " + name + " ", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos) << help.out;
        const ProgramRun version = RunWithoutDisplay(program, {"--version"}, folder.Path());
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, name + " " + COURSEVIEW_VERSION + "\n");
        EXPECT_EQ(help.err + version.err, "");
    }
}
