#pragma once
// courseview-catalogue --check [--json] FOLDER: the author's check
// (CourseCheck.h) of the course in FOLDER, printed as CheckReport.h says.

#include <string>

namespace courseview {

// Returns ExitDone when nothing was found, ExitProblemsFound when something
// was, ExitTrouble when the output could not be written.
int PrintCheck(const std::string& folder, bool json);

}  // namespace courseview
