#include "CourseFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "AsciiCharacters.h"
#include "FileError.h"

namespace courseview {

namespace {

bool StartsWithAsciiCaseless(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// Joins the steps of an absolute path again, one "/" apart, leaving out
// empty and "." steps, and ends it in "/".
std::string FolderWithOneSlashes(std::string_view path) {
    std::string folder = "/";
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view step = path.substr(at, end - at);
        if (!step.empty() && step != ".") {
            folder += step;
            folder += '/';
        }
        at = end + 1;
    }
    return folder;
}

}  // namespace

bool IsFileUri(std::string_view argument) { return StartsWithAsciiCaseless(argument, "file:"); }

std::optional<std::string> PathFromFileUri(std::string_view uri) {
    if (!IsFileUri(uri)) return std::nullopt;
    std::string_view rest = uri.substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        const bool local =
            host.empty() || (host.size() == 9 && StartsWithAsciiCaseless(host, "localhost"));
        if (!local) return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/')) return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '?' || c == '#') return std::nullopt;
        if (c != '%') {
            path.push_back(c);
            continue;
        }
        if (i + 2 >= rest.size()) return std::nullopt;
        const int high = HexDigitValue(rest[i + 1]);
        const int low = HexDigitValue(rest[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        path.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return path;
}

std::optional<std::string> CourseFolderPath(std::string_view argument,
                                            std::string_view workingFolder) {
    if (argument.empty()) return std::nullopt;
    std::string path;
    if (IsFileUri(argument)) {
        const auto local = PathFromFileUri(argument);
        if (!local) return std::nullopt;
        path = *local;
    } else if (argument.front() == '/') {
        path = argument;
    } else {
        if (workingFolder.empty() || workingFolder.front() != '/') return std::nullopt;
        path = std::string(workingFolder) + "/" + std::string(argument);
    }
    return FolderWithOneSlashes(path);
}

std::string FolderProblem(const std::string& given) {
    // A trailing "/" would make lstat follow a link to nothing.
    std::string folder = given;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // O_DIRECTORY refuses a FIFO or a device before it could block.
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor >= 0) {
        ::close(descriptor);
        return {};
    }
    const int error = errno;
    struct stat status {};
    if (error == ENOENT) {
        const bool link = ::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
        return link ? "is a link to nothing" : "does not exist";
    }
    if (error == ENOTDIR) return "is not a folder";
    return "cannot be read: " + SystemErrorText(error);
}

std::string QuotedForMessage(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace courseview
