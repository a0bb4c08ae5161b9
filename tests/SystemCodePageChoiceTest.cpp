#include <gtest/gtest.h>

#include "SystemCodePageChoice.h"

using namespace courseview;

TEST(SystemCodePageChoice, LegacyCodesetElseTheLanguagesCodePage) {
    struct Case {
        std::string_view codeset, locale, chosen;
    };
    for (const Case& c : {
             Case{"CP1251", "ru_RU.CP1251", "CP1251"},
             Case{"KOI8-R", "ru_RU.KOI8-R", "KOI8-R"},
             Case{"ISO-8859-5", "ru_RU", "ISO-8859-5"},
             Case{"UTF-8", "ru_RU.UTF-8", "CP1251"},
             Case{"UTF-8", "uk_UA.utf8", "CP1251"},
             Case{"UTF-8", "sr_RS@latin", "CP1251"},
             Case{"UTF-8", "tt_RU@iqtelif", "CP1251"},
             Case{"UTF-8", "pl_PL.UTF-8", "CP1250"},
             Case{"UTF-8", "el_GR.UTF-8", "CP1253"},
             Case{"UTF-8", "tr_TR.UTF-8", "CP1254"},
             Case{"UTF-8", "yi_US.UTF-8", "CP1255"},
             Case{"UTF-8", "fa_IR", "CP1256"},
             Case{"UTF-8", "lv_LV.UTF-8", "CP1257"},
             Case{"UTF-8", "vi_VN", "CP1258"},
             Case{"UTF-8", "th_TH.UTF-8", "CP874"},
             Case{"UTF-8", "ja_JP.UTF-8", "CP932"},
             Case{"UTF-8", "ko_KR.UTF-8", "CP949"},
             Case{"UTF-8", "zh_TW.UTF-8", "CP950"},
             Case{"UTF-8", "zh_HK.UTF-8", "CP950"},
             Case{"UTF-8", "zh_CN.UTF-8", "CP936"},
             Case{"UTF-8", "zh_SG", "CP936"},
             Case{"UTF-8", "en_US.UTF-8", "CP1252"},
             Case{"UTF-8", "ast_ES.UTF-8", "CP1252"},
             Case{"UTF-8", "C.UTF-8", "CP1252"},
             Case{"ANSI_X3.4-1968", "C", "CP1252"},
             Case{"ANSI_X3.4-1968", "POSIX", "CP1252"},
             Case{"", "", "CP1252"},
             Case{"UTF-8", "rus_RU.UTF-8", "CP1252"},
         }) {
        std::string warning;
        EXPECT_EQ(ChooseSystemCodePage(c.codeset, c.locale, nullptr, &warning), c.chosen)
            << c.codeset << " " << c.locale;
        EXPECT_EQ(warning, "");
    }
}

TEST(SystemCodePageChoice, OverrideWinsWhenIconvKnowsIt) {
    std::string warning;
    EXPECT_EQ(ChooseSystemCodePage("UTF-8", "en_US.UTF-8", "koi8-u", &warning), "koi8-u");
    EXPECT_EQ(ChooseSystemCodePage("CP1251", "ru_RU.CP1251", "UTF-8", &warning), "UTF-8");
    EXPECT_EQ(ChooseSystemCodePage("UTF-8", "ru_RU.UTF-8", "", &warning), "CP1251");
    EXPECT_EQ(warning, "") << "an empty override is no override";
    EXPECT_EQ(ChooseSystemCodePage("UTF-8", "ru_RU.UTF-8", "windows-1251x", &warning), "CP1251");
    EXPECT_EQ(warning,
              "COURSEVIEW_CODEPAGE=\"windows-1251x\" is not a code page this system can convert; "
              "pages without a declaration are read in CP1251.");
    EXPECT_EQ(ChooseSystemCodePage("UTF-8", "C", "nonsense", nullptr), "CP1252");
}
