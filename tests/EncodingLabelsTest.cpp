#include <gtest/gtest.h>
#include <iconv.h>

#include <set>

#include "CharsetPrescan.h"
#include "EncodingLabels.h"

using namespace courseview;

namespace {
std::string NameFor(std::string_view label) {
    const EncodingInfo* encoding = EncodingForLabel(label);
    return encoding ? std::string(encoding->name) : "(none)";
}
}  // namespace

TEST(EncodingLabels, LabelsNameTheirEncodings) {
    struct Case {
        std::string_view label, name;
    };
    for (const Case& c :
         {Case{"windows-1251", "windows-1251"}, Case{" CP1251\t\n", "windows-1251"},
          Case{"x-cp1251", "windows-1251"}, Case{"KOI8-R", "KOI8-R"}, Case{"koi", "KOI8-R"},
          Case{"koi8-ru", "KOI8-U"}, Case{"ISO-8859-1", "windows-1252"},
          Case{"us-ascii", "windows-1252"}, Case{"latin5", "windows-1254"},
          Case{"tis-620", "windows-874"}, Case{"logical", "ISO-8859-8-I"},
          Case{"cyrillic", "ISO-8859-5"}, Case{"x-mac-ukrainian", "x-mac-cyrillic"},
          Case{"gb2312", "GBK"}, Case{"ms932", "Shift_JIS"}, Case{"windows-949", "EUC-KR"},
          Case{"unicode", "UTF-16LE"}, Case{"utf-16", "UTF-16LE"},
          Case{"iso-2022-kr", "replacement"}, Case{"UTF8", "UTF-8"},
          // Not labels: spaces inside, other whitespace, near misses.
          Case{"windows 1251", "(none)"}, Case{"\vutf-8", "(none)"}, Case{"utf-7", "(none)"},
          Case{"cp-1251", "(none)"}, Case{"", "(none)"}, Case{"bogus", "(none)"}}) {
        EXPECT_EQ(NameFor(c.label), c.name) << '"' << c.label << '"';
    }
}

TEST(EncodingLabels, EveryEncodingDecodesThroughIconv) {
    std::set<std::string_view> names, labels;
    std::size_t labelCount = 0;
    for (const EncodingInfo& encoding : Encodings()) {
        EXPECT_TRUE(names.insert(encoding.name).second) << encoding.name;
        EXPECT_EQ(EncodingForLabel(encoding.name), &encoding) << "the name is a label too";
        EXPECT_EQ(EncodingNamed(encoding.name), &encoding);
        if (encoding.codeset.empty()) {
            EXPECT_TRUE(encoding.name == "replacement" || encoding.name == "x-user-defined");
            continue;
        }
        const iconv_t converter = iconv_open("UTF-16LE", std::string(encoding.codeset).c_str());
        EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << encoding.codeset;
        if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
        for (std::size_t start = 0; start < encoding.labels.size();) {
            const std::size_t end =
                std::min(encoding.labels.find(' ', start), encoding.labels.size());
            labels.insert(encoding.labels.substr(start, end - start));
            ++labelCount;
            start = end + 1;
        }
    }
    EXPECT_EQ(names.size(), 40u);
    EXPECT_EQ(labels.size(), labelCount) << "a label belongs to one encoding";
}
