#pragma once
// The command line both programs share: a few "--" options, at most one
// folder, "--help", "--version", and "--" to end the options so a folder may
// be named "-x".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace courseview {

struct CommandLine {
    enum class Request {
        Run,      // go on with `options` and `folder`
        Help,     // print the usage to stdout and exit 0
        Version,  // print the version to stdout and exit 0
        Misuse,   // print `problem` on one line to stderr and exit 2
    };
    Request request = Request::Run;
    std::vector<std::string> options;   // the known options given, in order
    std::optional<std::string> folder;  // the one folder argument, as given
    std::string problem;
};

// Reads `arguments` (without the program name) in order; the first of
// "--help", "--version", an unknown option or a second folder decides the
// request. "-" alone is a folder name, as is everything after "--".
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::vector<std::string_view>& knownOptions);

// The viewer's: courseview [--] [FOLDER], FOLDER a path or a file:// URI. On
// Run, `folder` is the absolute course folder it names, ending in "/"
// (CourseFolderPath), or nothing for the program's own folder.
CommandLine ParseViewerCommandLine(const std::vector<std::string>& arguments,
                                   std::string_view workingFolder);

}  // namespace courseview
