#pragma once
// File errors carry the message the user sees: "Cannot open file "%s". %s"
// with the full path and the system's reason without its trailing period.

#include <filesystem>
#include <stdexcept>
#include <string>

namespace courseview {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's text for an errno value, without a trailing period.
std::string SystemErrorText(int errorNumber);

// A path as UTF-8 text for messages; bytes that are not UTF-8 show as U+FFFD.
std::string PathForMessage(const std::filesystem::path& path);

FileError CannotOpenFile(const std::filesystem::path& path, const std::string& reason);
FileError CannotCreateFile(const std::filesystem::path& path, const std::string& reason);

}  // namespace courseview
