#pragma once
// Finding a course file as Windows found it: a link may name it in any letter
// case, and nothing a link names lies outside the course.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace courseview {

// How a path inside the course found its entry.
struct CourseFileMatch {
    enum class Kind {
        Exact,         // every component by its exact name
        IgnoringCase,  // some component only with letter case ignored
        Missing,       // a component matches no entry, or one before the last is no folder
        Outside,       // absolute, or through "..", or really (links followed) outside the course
    };
    Kind kind = Kind::Missing;
    std::string path;  // Exact, IgnoringCase: the entry's full path

    bool Found() const { return kind == Kind::Exact || kind == Kind::IgnoringCase; }
};

// Finds entries below one course folder. Each "/"-separated component of a
// relative path is the entry of exactly that name when there is one, else,
// among the entries whose names are the same with letter case ignored as NTFS
// ignores it, the first in NTFS order; empty and "." components are skipped.
// A path holding a NUL byte names nothing. The found entry's real place
// (symbolic links followed) must be the course folder or inside it.
//
// A finder keeps what it learns (the course's real place, the folders it
// listed to match letter case) for its later calls: one finder for one look
// at a course, while its files stay as they are.
class CourseFileFinder {
public:
    explicit CourseFileFinder(std::string courseRoot);

    CourseFileMatch Find(std::string_view relativePath);

private:
    // The name in `folder` equal to `name` with letter case ignored.
    std::optional<std::string> FindIgnoringCase(const std::string& folder, std::string_view name);

    std::string m_root;  // ends in "/"
    std::optional<std::string> m_realRoot;
    bool m_realRootKnown = false;
    // Per folder listed: each name's key (NtfsNameKey) and the name it stands for.
    std::unordered_map<std::string, std::unordered_map<std::u16string, std::string>> m_folders;
};

// The entry `relativePath` names below `courseRoot`, as its full path, as
// CourseFileFinder finds it; nothing when it is Missing or Outside.
std::optional<std::string> ResolveCourseFile(const std::string& courseRoot,
                                             std::string_view relativePath);

}  // namespace courseview
