#include "CheckCommand.h"

#include "CheckReport.h"
#include "CourseCheck.h"
#include "StandardOutput.h"

namespace courseview {

namespace {

template <typename Report>
int Check(const std::string& folder) {
    StandardOutput out;
    Report report([&out](std::string_view piece) { out.Write(piece); });
    const std::uint64_t found =
        CourseCheck().Run(folder, [&report](const Problem& problem) { report.Add(problem); });
    report.Finish();
    return out.Finish(found > 0 ? ExitProblemsFound : ExitDone);
}

}  // namespace

int PrintCheck(const std::string& folder, bool json) {
    return json ? Check<CheckJsonReport>(folder) : Check<CheckTextReport>(folder);
}

}  // namespace courseview
