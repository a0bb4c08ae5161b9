#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "NtfsNames.h"
#include "NtfsUpCaseTable.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::ListingOrder;
using courseview::testing::ReadFileBytes;
using courseview::testing::TempFolder;

namespace {

// The order NtfsNameLess promises, spelled out the slow way.
bool KeyThenBytesLess(const std::string& a, const std::string& b) {
    const std::u16string keyA = NtfsNameKey(a), keyB = NtfsNameKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
}

}  // namespace

TEST(NtfsNames, UpperCaseOfAnOlderUnicode) {
    struct Case {
        char16_t unit, upper;
    };
    for (const Case& c : {Case{u'a', u'A'}, Case{u'{', u'{'}, Case{u'ё', u'Ё'}, Case{u'я', u'Я'},
                          Case{u'ÿ', u'Ÿ'}, Case{u'ǆ', u'Ǆ'}, Case{u'ａ', u'Ａ'}, Case{u'σ', u'Σ'},
                          // NTFS leaves these alone where a current Unicode maps them.
                          Case{u'ı', u'ı'}, Case{u'ſ', u'ſ'}, Case{u'µ', u'µ'}, Case{u'ς', u'ς'},
                          Case{u'ǅ', u'ǅ'}, Case{u'ß', u'ß'}, Case{u'\xD83D', u'\xD83D'},
                          Case{u'\uFFFD', u'\uFFFD'}, Case{u'\u1E9E', u'\u1E9E'}}) {
        EXPECT_EQ(int(NtfsUpCase(c.unit)), int(c.upper)) << std::hex << int(c.unit);
    }
    EXPECT_FALSE(SameNameIgnoringCase("ı", "I"));
    EXPECT_FALSE(SameNameIgnoringCase("ſ", "S"));
}

TEST(NtfsNames, TheRunsExpandToTheWholeVolumeTable) {
    std::size_t changed = 0;
    std::uint64_t digest = 0;
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
        const char16_t upper = NtfsUpCase(static_cast<char16_t>(unit));
        if (upper == unit) continue;
        ++changed;
        digest = (digest * 31 + unit * 65536 + upper) % 4294967291u;
    }
    EXPECT_EQ(changed, NtfsUpCaseChangedUnits);
    EXPECT_EQ(digest, NtfsUpCaseDigest);
}

TEST(NtfsNames, InvalidUtf8SortsAsReplacementCharacters) {
    EXPECT_EQ(NtfsNameKey("a\xFF.htm"), u"A\uFFFD.HTM");
    EXPECT_EQ(NtfsNameKey("\xD0"), u"\uFFFD") << "a cut-off character at the end";
    EXPECT_EQ(NtfsNameKey("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_TRUE(SameNameIgnoringCase("\xFF", "\xFE"));
    EXPECT_TRUE(NtfsNameLess("\xFE", "\xFF"));
    EXPECT_TRUE(NtfsNameLess("я", "\xFF")) << "U+FFFD sorts after Cyrillic";
    EXPECT_TRUE(NtfsNameLess("\xEE\x80\x80", "\xFF")) << "U+E000 before U+FFFD";
}

TEST(NtfsNames, ComparisonsAgreeWithTheKeys) {
    const std::vector<std::string> names = {
        "", "a", "A", "ab", "aB", "aBc", "a\xD0\x90", "a\xD0", "\xD0", "Z", "_", "я", "Я1", "я1",
        "\xF0\x9F\x98\x80", "\xEE\x80\x80", "ａ", "Ａb", "\xFF", "a\xFF", "A\xFE",
        // Characters, whole and cut, across the points where decoding pauses.
        "Лекция 1", "ЛЕКЦИЯ 1", "Лекция 2", "abcde\xF0\x9F\x98\x80", "abcde\xF0\x9F\x98x",
        "abcde\xF0\x9F\x98", "abcdЯ\xE2\x82", "ABCDя\xE2\x82\xAC"};
    for (const std::string& a : names) {
        for (const std::string& b : names) {
            EXPECT_EQ(NtfsNameLess(a, b), KeyThenBytesLess(a, b)) << a << " < " << b;
            EXPECT_EQ(SameNameIgnoringCase(a, b), NtfsNameKey(a) == NtfsNameKey(b))
                << a << " = " << b;
        }
    }
}

namespace {

// A fresh NTFS volume mounted through ntfs-3g while the object lives;
// `skipReason` says why there is none.
class NtfsVolume {
public:
    NtfsVolume() {
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            skipReason = "/dev/fuse is missing or not usable here";
            return;
        }
        const std::string image = m_folder.Write("volume.img", "");
        std::filesystem::resize_file(image, 32 << 20);
        m_mountPoint = m_folder.MakeFolder("mnt");
        m_mounted = Run("mkntfs -F -q -f '" + image + "'") &&
                    Run("ntfs-3g '" + image + "' '" + m_mountPoint + "'");
    }
    ~NtfsVolume() {
        if (m_mounted && !Run("fusermount -u '" + m_mountPoint + "'"))
            Run("umount '" + m_mountPoint + "'");
    }
    NtfsVolume(const NtfsVolume&) = delete;
    NtfsVolume& operator=(const NtfsVolume&) = delete;

    const std::string& MountPoint() const { return m_mountPoint; }
    std::string skipReason;

private:
    bool Run(const std::string& command) {
        const std::string log = m_folder.Path() + "log";
        const int status = std::system(
            ("PATH=\"$PATH:/usr/sbin:/sbin\" " + command + " >'" + log + "' 2>&1").c_str());
        if (status == 0) return true;
        skipReason = WIFEXITED(status) && WEXITSTATUS(status) == 127
                         ? "ntfs-3g is not installed (apt-get install ntfs-3g)"
                         : command.substr(0, command.find(' ')) + " failed: " + ReadFileBytes(log);
        return false;
    }

    TempFolder m_folder;
    std::string m_mountPoint;
    bool m_mounted = false;
};

// Names made of pieces that test the table: digits and punctuation around
// the letters, case pairs, letters NTFS does not map, supplementary characters.
std::vector<std::string> NamesForTheVolume(std::size_t count, std::mt19937& random) {
    const std::vector<std::string> pieces = {
        "a", "A", "z", "Z", "_", "1",  "10", "2", " ",      "-",      "~", ".", "ё", "Ё",     "е",
        "я", "Я", "ı", "I", "i", "ſ",  "s",  "S", "µ",      "μ",      "Μ", "ς", "σ", "Σ",     "ǅ",
        "ǆ", "Ǆ", "ß", "ÿ", "Ÿ", "ａ", "Ａ", "😀", "\uE000", "\uFFFD", "ⱥ", "Ⱥ", "ꙁ", "\u1E9E"};
    std::set<std::string> names = {"a.htm", "A.htm"};
    while (names.size() < count) {
        std::string name;
        const int length = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < length; ++k) name += pieces[random() % pieces.size()];
        if (name != "." && name != "..") names.insert(name);
    }
    return {names.begin(), names.end()};
}

}  // namespace

TEST(NtfsNames, OrderMatchesARealNtfsVolume) {
    NtfsVolume volume;
    if (!volume.skipReason.empty()) GTEST_SKIP() << volume.skipReason;
    // ntfs-3g lists a folder's index as it lies on the volume: a small folder
    // fits in the index root, which is sorted. A folder of two index blocks
    // lists the key that separates them first, then the blocks in order; a
    // larger one lists its blocks in the order they were allocated.
    std::mt19937 random(20240611);
    for (int folder = 0; folder < 41; ++folder) {
        const bool twoBlocks = folder == 40;
        const std::string path = volume.MountPoint() + "/" + std::to_string(folder) + "/";
        std::filesystem::create_directory(path);
        const std::vector<std::string> names = NamesForTheVolume(twoBlocks ? 60 : 20, random);
        for (const std::string& name : names) std::ofstream(path + name).put('x');
        std::vector<std::string> listed = ListingOrder(path);
        ASSERT_EQ(std::set<std::string>(listed.begin(), listed.end()),
                  std::set<std::string>(names.begin(), names.end()));
        if (twoBlocks) listed.erase(listed.begin());
        for (std::size_t i = 0; i + 1 < listed.size(); ++i) {
            EXPECT_TRUE(NtfsNameLess(listed[i], listed[i + 1]))
                << "the volume lists \"" << listed[i] << "\" before \"" << listed[i + 1] << "\"";
        }
    }
}
