#include "TempFolder.h"

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "NtfsNames.h"

namespace courseview::testing {

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "courseview-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::Write(const std::string& relative, std::string_view bytes) const {
    const std::filesystem::path path = m_path + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(m_path + relative);
    return m_path + relative;
}

std::vector<std::string> ListingOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) return names;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(directory);
    return names;
}

std::vector<std::string> ScanOrder(const std::string& folder) {
    std::vector<std::string> names = ListingOrder(folder);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NtfsNameLess(a, b); });
    return names;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string PageWithTitle(std::string_view title) {
    return "<html><head><title>" + std::string(title) +
           "</title></head><body>text</body></html>\r\n";
}

}  // namespace courseview::testing
