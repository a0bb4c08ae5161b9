#pragma once
// The addresses course files have in the browser: "course:///ABSOLUTE/PATH",
// the file's own path byte for byte, so relative links resolve between files
// exactly as they do on disk and a name of any bytes travels intact.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace courseview {

inline constexpr std::string_view CourseScheme = "course";

// "course://" + the absolute path, percent-encoded as for a file:// URI
// (AppendUriPath).
std::string CourseUri(const std::filesystem::path& path);

// The absolute path a course address names, its percent-encoding undone; query
// and fragment dropped. A "\" acts as "/", as it did on Windows, while an
// encoded one ("%5C") stays a backslash inside a name. Nothing when `uri` is
// no course address, its path is not absolute or holds a NUL byte.
std::optional<std::string> PathOfCourseUri(std::string_view uri);

// Whether a page may take a frame or the whole view to `uri`: course
// addresses, the web, blank, data and blob pages; never a local file or a
// scheme some other program would answer.
bool PageMayNavigateTo(std::string_view uri);

// The search's results page, "course://search/GENERATION", and the link on
// it that opens an entry, "course://search/GENERATION/ENTRY". Course files'
// addresses have no host, so these never name a file.
std::string ResultsPageUri(std::uint64_t generation);
std::string ChosenResultUri(std::uint64_t generation, std::int32_t entry);

struct SearchAddress {
    std::uint64_t generation = 0;
    std::optional<std::int32_t> entry;  // nothing: the results page itself
    bool operator==(const SearchAddress&) const = default;
};
// What a search address names; nothing for any other address, or one with
// anything more, less or other than the digits above.
std::optional<SearchAddress> ParseSearchUri(std::string_view uri);

}  // namespace courseview
