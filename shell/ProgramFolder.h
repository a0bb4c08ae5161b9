#pragma once
// Where the viewer lives: the folder it lists, writes its wrapper page into
// and looks for the developer marker in. One Linux body each; a Windows build
// puts GetModuleFileNameW and "E:" behind the same names.

#include <string>
#include <string_view>

namespace courseview {

// The running executable's full path, resolved from /proc/self/exe.
std::string ExecutablePath();

// The executable's folder, always ending in "/".
std::string ProgramFolder();

// The developer marker: base name "Tavik", extension of the main source file.
inline constexpr std::string_view DeveloperMarkerName = "Tavik.cpp";

// The developer rebuild's folder. On Windows it is the root of drive E; Linux
// systems that mount Windows drives show that drive at /mnt/e.
inline constexpr std::string_view WindowsDeveloperRoot = "E:";
inline constexpr std::string_view LinuxDeveloperRoot = "/mnt/e";
std::string DeveloperRoot();

// True for an existing file, false for a folder or nothing.
bool FileExists(const std::string& path);

}  // namespace courseview
