#include "CheckProblem.h"

namespace courseview {

std::string_view ProblemKindName(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::BrokenLink:
            return "broken-link";
        case ProblemKind::CaseOnlyLink:
            return "case-only-link";
        case ProblemKind::OutsideLink:
            return "outside-link";
        case ProblemKind::CodePageDependent:
            return "code-page-dependent";
        case ProblemKind::DuplicateCaption:
            return "duplicate-caption";
        case ProblemKind::ShortTitle:
            return "short-title";
        case ProblemKind::ListingEnded:
            return "listing-ended";
    }
    return "";
}

}  // namespace courseview
