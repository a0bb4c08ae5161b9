#include "CommandLine.h"

#include <algorithm>

#include "CourseFolder.h"

namespace courseview {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::vector<std::string_view>& knownOptions) {
    CommandLine line;
    auto misuse = [&line](std::string problem) {
        line.request = CommandLine::Request::Misuse;
        line.problem = std::move(problem);
        return line;
    };
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        const bool option = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (option && argument == "--") {
            optionsEnded = true;
        } else if (option && argument == "--help") {
            line.request = CommandLine::Request::Help;
            return line;
        } else if (option && argument == "--version") {
            line.request = CommandLine::Request::Version;
            return line;
        } else if (option) {
            if (std::find(knownOptions.begin(), knownOptions.end(), argument) == knownOptions.end())
                return misuse("unknown option " + QuotedForMessage(argument));
            line.options.push_back(argument);
        } else if (line.folder) {
            return misuse("more than one folder given: " + QuotedForMessage(*line.folder) +
                          " and " + QuotedForMessage(argument));
        } else {
            line.folder = argument;
        }
    }
    return line;
}

CommandLine ParseViewerCommandLine(const std::vector<std::string>& arguments,
                                   std::string_view workingFolder) {
    CommandLine line = ParseCommandLine(arguments, {});
    if (line.request != CommandLine::Request::Run || !line.folder) return line;
    const std::string given = *line.folder;
    line.folder = CourseFolderPath(given, workingFolder);
    if (line.folder) return line;
    line.request = CommandLine::Request::Misuse;
    if (given.empty()) {
        line.problem = "an empty folder name";
    } else if (IsFileUri(given)) {
        line.problem = QuotedForMessage(given) + " is not the address of a local folder";
    } else {
        line.problem =
            "the working folder is gone, so " + QuotedForMessage(given) + " names nothing";
    }
    return line;
}

}  // namespace courseview
