#pragma once
// Running a program through the shell the way a person types it, for the
// tests of the programs themselves.

#include <string>

namespace courseview::testing {

struct CommandRun {
    int exitCode = -1;  // -1 when it did not exit normally or could not start
    std::string output;
};

// Runs `command` with /bin/sh and collects what it writes to stdout.
CommandRun RunShellCommand(const std::string& command);

// `text` as one shell word, whatever it holds.
std::string ShellQuoted(const std::string& text);

}  // namespace courseview::testing
