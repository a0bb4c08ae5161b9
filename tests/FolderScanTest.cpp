#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>

#include "FolderScan.h"
#include "MemoryTree.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::PageWithTitle;
using courseview::testing::ScanOrder;
using courseview::testing::TempFolder;

namespace {

// Whatever the window says while it builds the catalogue.
constexpr std::u16string_view StartStatus = u"Загрузка";
constexpr std::u16string_view RebuildStatus = u"Индексация";

class RecordingHost final : public ScanHost {
public:
    void SetStatusText(std::u16string_view text) override { statusTexts.emplace_back(text); }
    void LetPendingMessagesRun() override {
        ++pumps;
        if (onPump) onPump();
    }
    std::vector<std::u16string> statusTexts;
    int pumps = 0;
    std::function<void()> onPump;
};

// The tree as text: caption, "#entry" when openable, children in braces.
std::string Render(const MemoryTree& tree, const std::vector<std::size_t>& positions) {
    std::string text;
    for (std::size_t position : positions) {
        const auto& node = tree.Nodes()[position];
        if (!text.empty()) text += ",";
        text += Utf16ToUtf8(node.caption);
        if (node.entryIndex) text += "#" + std::to_string(*node.entryIndex);
        if (!node.children.empty()) text += "{" + Render(tree, node.children) + "}";
    }
    return text;
}

// Entry indices must count up in depth-first order, matching PagePaths.
void ExpectDepthFirstEntries(const MemoryTree& tree, const Catalogue& catalogue) {
    std::int32_t next = 0;
    std::function<void(const std::vector<std::size_t>&)> walk = [&](const auto& positions) {
        for (std::size_t position : positions) {
            const auto& node = tree.Nodes()[position];
            if (node.entryIndex) {
                EXPECT_EQ(*node.entryIndex, next++);
            }
            walk(node.children);
        }
    };
    walk(tree.TopLevel());
    EXPECT_EQ(static_cast<std::size_t>(next), catalogue.PagePaths.size());
}

class FolderScan : public ::testing::Test {
protected:
    std::string Scan(const std::string& folderPath) {
        catalogue.LoadContents(folderPath, StartStatus);
        EXPECT_EQ(tree.UpdateDepth(), 0) << "every update bracket is closed";
        ExpectDepthFirstEntries(tree, catalogue);
        return Render(tree, tree.TopLevel());
    }
    std::vector<std::string> Paths() const { return catalogue.PagePaths; }
    // PagePaths, each without the folder's path.
    std::vector<std::string> RelativePaths() const {
        std::vector<std::string> paths;
        for (const auto& path : catalogue.PagePaths)
            paths.push_back(path.substr(folder.Path().size()));
        return paths;
    }

    TempFolder folder;
    MemoryTree tree;
    RecordingHost host;
    ExtensionTables tables = MakeExtensionTables();
    std::unique_ptr<CodePage> utf8 = OpenCodePage("UTF-8");
    Catalogue catalogue{tree, host, tables, *utf8};
};

}  // namespace

TEST_F(FolderScan, WorkedExampleOfAProgramFolder) {
    folder.Write("Intro.htm", PageWithTitle("Введение"));
    folder.Write("courseview",
                 "\x7F"
                 "ELF");
    folder.Write("_old/old.htm", PageWithTitle("Old"));
    folder.Write("1 Лекции^/L1.htm", "<html><body>no title</body></html>");
    folder.Write("1 Лекции^/Схема.jpg", "jpeg");
    folder.Write("L1.files/L1.htm", PageWithTitle("Support file"));

    EXPECT_EQ(Scan(folder.Path()), "1 Лекции#0{L1#1,Схема#2}, Введение#3");
    EXPECT_EQ(RelativePaths(), (std::vector<std::string>{"1 Лекции^", "1 Лекции^/L1.htm",
                                                         "1 Лекции^/Схема.jpg", "Intro.htm"}));
    EXPECT_EQ(host.statusTexts, (std::vector<std::u16string>{std::u16string(StartStatus), u""}));
    EXPECT_GE(host.pumps, 5) << "messages run for every entry";
}

TEST_F(FolderScan, EntriesComeInTheOrderAWindowsListingGivesThem) {
    // Digits before letters, "_" after Latin, Cyrillic after that, letter
    // case ignored; equal names by their bytes; bytes that are not UTF-8 as
    // U+FFFD. Created in reverse, so hash or creation order cannot pass.
    const std::vector<std::string> names = {"1.jpg", "10.jpg", "2.jpg", "A.jpg",
                                            "a.jpg", "b.jpg",  "z.jpg", "_x.jpg",
                                            "Ё.jpg", "а.jpg",  "Я.jpg", "\xFF.jpg"};
    for (auto name = names.rbegin(); name != names.rend(); ++name) folder.Write(*name, "x");
    Scan(folder.Path());
    EXPECT_EQ(RelativePaths(), names);
}

TEST_F(FolderScan, NamingRulesDecideWhatIsListed) {
    for (const char* name : {"Temp.htm", "temp.htm", "TEMP.HTM"})
        folder.Write(std::string("w/") + name, "<title>Wrapper</title>");
    folder.Write("w/temp.html", "<title>Listed</title>");
    folder.Write("h/_images/a.jpg", "x");
    folder.Write("h/.svn/a.jpg", "x");
    folder.Write("h/Lecture.files/a.jpg", "x");
    folder.Write("h/FILES/a.jpg", "x");
    folder.Write("b/Lecture_files/a.jpg", "x");
    folder.MakeFolder("p/_pics.jpg");
    folder.Write("n/a.b.htm", "<title>A</title>");
    folder.MakeFolder("c/^");
    for (const char* name : {"x.exe", "x.txt", "x.png", "x.jpeg", "x.mp4", "HTML"})
        folder.Write(std::string("o/") + name, "");

    Scan(folder.Path());
    auto childrenOf = [&](const std::string& top) {
        for (std::size_t position : tree.TopLevel()) {
            if (tree.Nodes()[position].caption == Utf8ToUtf16(top))
                return Render(tree, tree.Nodes()[position].children);
        }
        return std::string("<missing>");
    };
    EXPECT_EQ(childrenOf("w").substr(0, 7), " Listed");
    EXPECT_EQ(childrenOf("h"), "") << "nothing under h is listed";
    EXPECT_EQ(childrenOf("b").substr(0, 15), "Lecture_files{a");
    EXPECT_EQ(childrenOf("p").substr(0, 6), "_pics#")
        << "a folder named like a picture is a picture";
    EXPECT_EQ(childrenOf("n").substr(0, 4), "a.b#") << "one-letter title falls back to the name";
    EXPECT_EQ(childrenOf("c").substr(0, 1), "#")
        << "a folder named ^ is openable with an empty caption";
    EXPECT_EQ(childrenOf("o").substr(0, 4), "HTML") << "only the page named HTML is listed from o";
}

TEST_F(FolderScan, EmptyAndMissingFoldersGiveEmptyCatalogues) {
    EXPECT_EQ(Scan(folder.Path()), "");
    EXPECT_EQ(Scan(folder.Path() + "no-such-folder"), "");
    EXPECT_TRUE(catalogue.PagePaths.empty());
}

TEST_F(FolderScan, UnreadablePageEndsOnlyItsOwnFolderAndNamesWhatWasLost) {
    // Running as root would read any permission-protected file, so the page
    // is one that cannot be read at all: a dangling link.
    for (int i = 0; i < 12; ++i) folder.Write("sub/p" + std::to_string(i) + ".jpg", "x");
    ASSERT_EQ(::symlink("nowhere", (folder.Path() + "sub/broken.htm").c_str()), 0);
    folder.Write("sub/inner/deep.jpg", "x");
    folder.Write("z.jpg", "x");
    NoteCollector notes;
    catalogue.SetObserver(&notes);

    Scan(folder.Path());
    const auto order = ScanOrder(folder.Path() + "sub");
    const auto broken = std::find(order.begin(), order.end(), "broken.htm");
    std::vector<std::string> expected;
    for (auto it = order.begin(); it != broken; ++it)
        expected.push_back(folder.Path() + "sub/" + (*it == "inner" ? "inner/deep.jpg" : *it));
    std::vector<std::string> fromSub;
    for (const auto& path : Paths()) {
        if (path.rfind(folder.Path() + "sub/", 0) == 0) fromSub.push_back(path);
    }
    EXPECT_EQ(fromSub, expected);
    EXPECT_EQ(Paths().empty() ? "" : Paths().back(), folder.Path() + "z.jpg")
        << "the parent folder goes on";
    ASSERT_EQ(notes.notes.size(), 1u);
    EXPECT_EQ(notes.notes[0].reason, OmissionReason::ListingEnded);
    EXPECT_EQ(
        notes.notes[0].error.rfind("Cannot open file \"" + folder.Path() + "sub/broken.htm\"", 0),
        0u)
        << notes.notes[0].error;
    EXPECT_EQ(notes.notes[0].lostEntries, std::vector<std::string>(broken + 1, order.end()));
}

TEST_F(FolderScan, LinksLeadIntoTheCourseOnlyAndNeverBackIntoThePath) {
    TempFolder outside;
    outside.Write("shared.jpg", "x");
    folder.Write("b/x.jpg", "x");
    folder.MakeFolder("a");
    for (const auto& [name, target] :
         std::vector<std::pair<std::string, std::string>>{{"a/in", "../b"},
                                                          {"a/out", outside.Path()},
                                                          {"a/root", "/"},
                                                          {"a/up^", ".."},
                                                          {"dangling.jpg", "missing.jpg"}}) {
        ASSERT_EQ(::symlink(target.c_str(), (folder.Path() + name).c_str()), 0) << name;
    }
    NoteCollector notes;
    catalogue.SetObserver(&notes);
    EXPECT_EQ(Scan(folder.Path()), "a{in{x#0},out,root,up#1},b{x#2},dangling#3")
        << "links out of the course and back up the path are shown, not entered";
    std::map<std::string, OmissionReason> reasons;
    for (const auto& note : notes.notes)
        reasons[note.path.substr(folder.Path().size())] = note.reason;
    EXPECT_EQ(reasons,
              (std::map<std::string, OmissionReason>{{"a/out", OmissionReason::LinkOutsideCourse},
                                                     {"a/root", OmissionReason::LinkOutsideCourse},
                                                     {"a/up^", OmissionReason::FolderLoop}}));
}

TEST_F(FolderScan, FoldersLinkedToOneAnotherAreEnteredOnceEach) {
    // Twelve folders each linking to all twelve: followed path by path, the
    // scan would walk every ordering of them and never end.
    constexpr int count = 12;
    for (int i = 0; i < count; ++i)
        folder.Write("f" + std::to_string(i) + "/p" + std::to_string(i) + ".jpg", "x");
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            const std::string link =
                folder.Path() + "f" + std::to_string(i) + "/l" + std::to_string(j);
            ASSERT_EQ(::symlink(("../f" + std::to_string(j)).c_str(), link.c_str()), 0);
        }
    }
    struct Counter : ScanObserver {
        void Note(ScanNote note) override { ++reasons[note.reason]; }
        std::map<OmissionReason, int> reasons;
    } counter;
    catalogue.SetObserver(&counter);
    Scan(folder.Path());
    // Each folder is listed at most twice: as itself, and through one link.
    EXPECT_LE(tree.Nodes().size(), static_cast<std::size_t>(count + 2 * count * (count + 1)));
    for (std::size_t top : tree.TopLevel()) {
        EXPECT_EQ(tree.Nodes()[top].children.size(), static_cast<std::size_t>(count + 1))
            << "every link is still shown";
    }
    EXPECT_GT(counter.reasons[OmissionReason::LinkToListedFolder], 0);
    EXPECT_GT(counter.reasons[OmissionReason::FolderLoop], 0);
}

TEST_F(FolderScan, RebuildDuringAScanWaitsForItsEnd) {
    TempFolder other;
    other.Write("other.jpg", "x");
    for (int i = 0; i < 5; ++i) folder.Write("f" + std::to_string(i) + "/x.jpg", "x");
    int requests = 0;
    host.onPump = [&] {
        if (requests++ == 3) catalogue.LoadContents(other.Path(), RebuildStatus);
    };
    EXPECT_EQ(Scan(folder.Path()), "other#0");
    EXPECT_EQ(Paths(), std::vector<std::string>{other.Path() + "other.jpg"});
    EXPECT_EQ(host.statusTexts, (std::vector<std::u16string>{std::u16string(StartStatus), u"",
                                                             std::u16string(RebuildStatus), u""}));
    EXPECT_FALSE(catalogue.Scanning());
}

TEST_F(FolderScan, AwkwardNamesKeepTheirBytesInPaths) {
    folder.Write("q\"&<\n>.jpg", "x");
    folder.Write("bad\xFF\xFEname.jpg", "x");
    Scan(folder.Path());
    auto paths = Paths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{folder.Path() + "bad\xFF\xFEname.jpg",
                                               folder.Path() + "q\"&<\n>.jpg"}));
    std::vector<std::u16string> captions;
    for (const auto& node : tree.Nodes()) captions.emplace_back(node.caption);
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, (std::vector<std::u16string>{u"bad\uFFFD\uFFFDname", u"q\"&<\n>"}));
}

TEST_F(FolderScan, NamesThatAreNotUtf8ReadInTheSystemCodePage) {
    // "Из архива" as a disc made on a Russian Windows names it. The order
    // still takes the name as UTF-8 with U+FFFD, so it comes after Cyrillic.
    const std::string windowsName = "\xC8\xE7 \xE0\xF0\xF5\xE8\xE2\xE0.jpg";
    folder.Write(windowsName, "x");
    folder.Write("Фото.jpg", "x");
    MemoryTree russianTree;
    Catalogue russian(russianTree, host, tables, CodePageNamed("CP1251"));
    russian.LoadContents(folder.Path(), u"");
    EXPECT_EQ(Render(russianTree, russianTree.TopLevel()), "Фото#0,Из архива#1");
    EXPECT_EQ(russian.PagePaths.back(), folder.Path() + windowsName) << "paths keep the bytes";
}

TEST_F(FolderScan, ObserverHearsWhatWasLeftOutAndWhy) {
    NoteCollector collector;
    catalogue.SetObserver(&collector);
    folder.Write("_hidden/a.htm", "");
    folder.Write("x.files/a.htm", "");
    folder.Write("readme.txt", "");
    folder.Write("TEMP.htm", "");
    Scan(folder.Path());
    std::map<std::string, OmissionReason> reasons;
    for (const auto& note : collector.notes)
        reasons[note.path.substr(folder.Path().size())] = note.reason;
    EXPECT_EQ(reasons, (std::map<std::string, OmissionReason>{
                           {"_hidden", OmissionReason::Hidden},
                           {"x.files", OmissionReason::SkippedFolder},
                           {"readme.txt", OmissionReason::NotViewable},
                           {"TEMP.htm", OmissionReason::WrapperPageName}}));
}
