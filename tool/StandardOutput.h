#pragma once
// The tool's standard output, written directly and keeping the first error:
// a report's pieces are large, and a full disk or a closed output must not
// pass quietly. The tool's exit statuses live here too.

#include <string_view>

namespace courseview {

// As --help and the manual page list them.
inline constexpr int ExitDone = 0;
inline constexpr int ExitProblemsFound = 1;  // the author's check found some; --find found nothing
inline constexpr int ExitTrouble = 2;

class StandardOutput {
public:
    void Write(std::string_view piece);
    int Error() const { return m_error; }

    // `status`, or ExitTrouble with one line on stderr naming the error when
    // the output could not be written.
    int Finish(int status) const;

private:
    int m_error = 0;
};

}  // namespace courseview
