#include "ProgramFolder.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace courseview {

std::string ExecutablePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string ProgramFolder() {
    const std::string executable = ExecutablePath();
    const auto slash = executable.rfind('/');
    return slash == std::string::npos ? std::string("./") : executable.substr(0, slash + 1);
}

std::string DeveloperRoot() { return std::string(LinuxDeveloperRoot); }

bool FileExists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

}  // namespace courseview
