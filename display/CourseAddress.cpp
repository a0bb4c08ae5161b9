#include "CourseAddress.h"

#include "AsciiCharacters.h"
#include "NodeActivation.h"

namespace courseview {

namespace {

// The scheme of `uri` in lower case, or "" when it has none.
std::string SchemeOf(std::string_view uri) {
    const auto colon = uri.find(':');
    if (colon == std::string_view::npos || colon == 0) return {};
    std::string scheme;
    for (const char c : uri.substr(0, colon)) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!allowed) return {};
        scheme.push_back(AsciiLower(c));
    }
    return scheme;
}

constexpr std::string_view SearchPrefix = "course://search/";

// Decimal digits without a leading zero, within `maximum`.
std::optional<std::uint64_t> Number(std::string_view digits, std::uint64_t maximum) {
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (maximum - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::string ResultsPageUri(std::uint64_t generation) {
    return std::string(SearchPrefix) + std::to_string(generation);
}

std::string ChosenResultUri(std::uint64_t generation, std::int32_t entry) {
    return ResultsPageUri(generation) + "/" + std::to_string(entry);
}

std::optional<SearchAddress> ParseSearchUri(std::string_view uri) {
    if (!uri.starts_with(SearchPrefix)) return std::nullopt;
    uri.remove_prefix(SearchPrefix.size());
    const std::size_t slash = uri.find('/');
    const auto generation = Number(uri.substr(0, slash), UINT64_MAX);
    if (!generation) return std::nullopt;
    if (slash == std::string_view::npos) return SearchAddress{*generation, std::nullopt};
    const auto entry = Number(uri.substr(slash + 1), INT32_MAX);
    if (!entry) return std::nullopt;
    return SearchAddress{*generation, static_cast<std::int32_t>(*entry)};
}

std::string CourseUri(const std::filesystem::path& path) {
    std::error_code ignored;
    const std::filesystem::path absolute =
        path.is_absolute() ? path : std::filesystem::absolute(path, ignored);
    std::string uri = std::string(CourseScheme) + "://";
    AppendUriPath(uri, absolute.native());
    return uri;
}

std::optional<std::string> PathOfCourseUri(std::string_view uri) {
    if (SchemeOf(uri) != CourseScheme) return std::nullopt;
    std::string_view rest = uri.substr(CourseScheme.size() + 1);
    if (!rest.starts_with("//")) return std::nullopt;
    rest.remove_prefix(2);
    // The viewer's addresses have no host; one a page made up names nothing.
    if (!rest.starts_with('/') && !rest.starts_with('\\')) return std::nullopt;
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '\\') {
            path.push_back('/');
        } else if (c == '%' && i + 2 < rest.size() && HexDigitValue(rest[i + 1]) >= 0 &&
                   HexDigitValue(rest[i + 2]) >= 0) {
            path.push_back(
                static_cast<char>(HexDigitValue(rest[i + 1]) * 16 + HexDigitValue(rest[i + 2])));
            i += 2;
        } else {
            path.push_back(c);
        }
    }
    if (path.find('\0') != std::string::npos) return std::nullopt;
    return path;
}

bool PageMayNavigateTo(std::string_view uri) {
    const std::string scheme = SchemeOf(uri);
    if (scheme == CourseScheme || scheme == "http" || scheme == "https" || scheme == "data" ||
        scheme == "blob") {
        return true;
    }
    if (scheme != "about") return false;
    const std::string_view page = uri.substr(6, uri.substr(6).find_first_of("?#"));
    return page == "blank" || page == "srcdoc";
}

}  // namespace courseview
