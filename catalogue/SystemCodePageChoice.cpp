#include "SystemCodePageChoice.h"

#include <iconv.h>

namespace courseview {

namespace {

bool IconvKnows(const std::string& codeset) {
    const iconv_t converter = iconv_open("UTF-16LE", codeset.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(converter);
    return true;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return upper;
}

// Codesets that are no legacy code page: UTF-8 and the C locale's ASCII.
bool IsUtf8OrAscii(std::string_view codeset) {
    const std::string upper = Upper(codeset);
    return upper.empty() || upper == "UTF-8" || upper == "UTF8" || upper == "ANSI_X3.4-1968" ||
           upper == "ASCII" || upper == "US-ASCII";
}

struct LanguageCodePage {
    std::string_view languages;  // separated by spaces
    std::string_view codeset;
};

// The ANSI code page Windows gives each language.
constexpr LanguageCodePage LanguageTable[] = {
    {"be bg kk ky mk mn ru sr tt uk", "CP1251"},
    {"bs cs hr hu pl ro sk sl sq", "CP1250"},
    {"el", "CP1253"},
    {"az tr", "CP1254"},
    {"he yi", "CP1255"},
    {"ar fa ur", "CP1256"},
    {"et lt lv", "CP1257"},
    {"vi", "CP1258"},
    {"th", "CP874"},
    {"ja", "CP932"},
    {"ko", "CP949"},
};

std::string_view CodePageOfLanguage(std::string_view localeName) {
    // language[_territory][.codeset][@modifier]
    const std::string_view language = localeName.substr(0, localeName.find_first_of("_.@"));
    std::string_view territory;
    if (language.size() < localeName.size() && localeName[language.size()] == '_') {
        territory = localeName.substr(language.size() + 1);
        territory = territory.substr(0, territory.find_first_of(".@"));
    }
    if (language == "zh") return territory == "TW" || territory == "HK" ? "CP950" : "CP936";
    for (const LanguageCodePage& entry : LanguageTable) {
        for (std::string_view rest = entry.languages; !rest.empty();) {
            const std::size_t space = std::min(rest.find(' '), rest.size());
            if (rest.substr(0, space) == language) return entry.codeset;
            rest.remove_prefix(std::min(space + 1, rest.size()));
        }
    }
    return "CP1252";
}

}  // namespace

std::string ChooseSystemCodePage(std::string_view localeCodeset, std::string_view ctypeLocaleName,
                                 const char* override, std::string* warning) {
    const bool overrideKnown = override != nullptr && *override != '\0' && IconvKnows(override);
    if (overrideKnown) return override;
    const std::string chosen =
        !IsUtf8OrAscii(localeCodeset) && IconvKnows(std::string(localeCodeset))
            ? std::string(localeCodeset)
            : std::string(CodePageOfLanguage(ctypeLocaleName));
    if (override != nullptr && *override != '\0' && warning != nullptr) {
        *warning = "COURSEVIEW_CODEPAGE=\"" + std::string(override) +
                   "\" is not a code page this system can convert; pages without a declaration "
                   "are read in " +
                   chosen + ".";
    }
    return chosen;
}

}  // namespace courseview
