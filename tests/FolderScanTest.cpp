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
using courseview::testing::ListingOrder;
using courseview::testing::PageWithTitle;
using courseview::testing::TempFolder;

namespace {

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
        catalogue.LoadContents(folderPath, LoadingStatusText);
        EXPECT_EQ(tree.UpdateDepth(), 0) << "every update bracket is closed";
        ExpectDepthFirstEntries(tree, catalogue);
        return Render(tree, tree.TopLevel());
    }
    // Joins the renderings of `names` in the order the folder lists them.
    std::string InListingOrder(const std::string& folderPath,
                               const std::vector<std::pair<std::string, std::string>>& renderings) {
        std::string text;
        for (const auto& name : ListingOrder(folderPath)) {
            for (const auto& [entry, rendering] : renderings) {
                if (entry == name && !rendering.empty())
                    text += (text.empty() ? "" : ",") + rendering;
            }
        }
        return text;
    }
    std::vector<std::string> Paths() const { return catalogue.PagePaths; }

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

    const std::string result = Scan(folder.Path());
    // The entry indices depend on the listing order, so compare without them
    // and check their order separately.
    std::string withoutIndices;
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (result[i] == '#') {
            while (i + 1 < result.size() && std::isdigit(static_cast<unsigned char>(result[i + 1])))
                ++i;
        } else {
            withoutIndices += result[i];
        }
    }
    const std::string lectures =
        "1 Лекции{" +
        InListingOrder(folder.Path() + "1 Лекции^", {{"L1.htm", "L1"}, {"Схема.jpg", "Схема"}}) +
        "}";
    EXPECT_EQ(withoutIndices,
              InListingOrder(folder.Path(), {{"Intro.htm", " Введение"}, {"1 Лекции^", lectures}}));
    EXPECT_EQ(tree.Nodes().size(), 4u);
    EXPECT_EQ(catalogue.PagePaths.size(), 4u);
    for (const auto& path : Paths()) {
        const bool expected = path == folder.Path() + "Intro.htm" ||
                              path == folder.Path() + "1 Лекции^" ||
                              path == folder.Path() + "1 Лекции^/L1.htm" ||
                              path == folder.Path() + "1 Лекции^/Схема.jpg";
        EXPECT_TRUE(expected) << path;
    }
    EXPECT_EQ(host.statusTexts,
              (std::vector<std::u16string>{std::u16string(LoadingStatusText), u""}));
    EXPECT_GE(host.pumps, 5) << "messages run for every entry";
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

TEST_F(FolderScan, UnreadablePageEndsOnlyItsOwnFolder) {
    // Running as root would read any permission-protected file, so the page
    // is one that cannot be read at all: a dangling link.
    for (int i = 0; i < 12; ++i) folder.Write("sub/p" + std::to_string(i) + ".jpg", "x");
    ASSERT_EQ(::symlink("nowhere", (folder.Path() + "sub/broken.htm").c_str()), 0);
    folder.Write("sub/inner/deep.jpg", "x");
    folder.Write("after.jpg", "x");

    Scan(folder.Path());
    const auto order = ListingOrder(folder.Path() + "sub");
    const auto broken = std::find(order.begin(), order.end(), "broken.htm");
    std::vector<std::string> expected;
    for (auto it = order.begin(); it != broken; ++it) {
        expected.push_back(folder.Path() + "sub/" + *it);
        if (*it == "inner") expected.push_back(folder.Path() + "sub/inner/deep.jpg");
    }
    std::vector<std::string> fromSub;
    for (const auto& path : Paths()) {
        if (path.rfind(folder.Path() + "sub/", 0) == 0) fromSub.push_back(path);
    }
    std::vector<std::string> folderPathsOnly;
    for (const auto& path : expected) {
        if (path != folder.Path() + "sub/inner") folderPathsOnly.push_back(path);
    }
    EXPECT_EQ(fromSub, folderPathsOnly);
    const auto all = Paths();
    EXPECT_NE(std::find(all.begin(), all.end(), folder.Path() + "after.jpg"), all.end())
        << "the parent folder goes on";
}

TEST_F(FolderScan, FifoAndFolderNamedAsPagesEndTheListingWithoutBlocking) {
    ASSERT_EQ(::mkfifo((folder.Path() + "pipe.htm").c_str(), 0600), 0);
    Scan(folder.Path());
    EXPECT_TRUE(catalogue.PagePaths.empty());
    TempFolder second;
    second.MakeFolder("_notes.htm");
    catalogue.LoadContents(second.Path(), LoadingStatusText);
    EXPECT_TRUE(catalogue.PagePaths.empty()) << "a folder named as a page is not an empty page";
}

TEST_F(FolderScan, LinksAreFollowedButNeverBackIntoThePath) {
    TempFolder outside;
    outside.Write("shared.jpg", "x");
    folder.Write("a/page.jpg", "x");
    ASSERT_EQ(::symlink(outside.Path().c_str(), (folder.Path() + "a/linked").c_str()), 0);
    ASSERT_EQ(::symlink("..", (folder.Path() + "a/up^").c_str()), 0);
    ASSERT_EQ(::symlink("missing.jpg", (folder.Path() + "dangling.jpg").c_str()), 0);

    const std::string result = Scan(folder.Path());
    EXPECT_NE(result.find("linked{shared#"), std::string::npos) << result;
    EXPECT_NE(result.find("up#"), std::string::npos) << "the loop's node is shown once: " << result;
    EXPECT_EQ(result.find("up#", result.find("up#") + 1), std::string::npos) << result;
    EXPECT_NE(result.find("dangling#"), std::string::npos) << "a dangling link is still an entry";
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
        if (requests++ == 3) catalogue.LoadContents(other.Path(), IndexingStatusText);
    };
    EXPECT_EQ(Scan(folder.Path()), "other#0");
    EXPECT_EQ(Paths(), std::vector<std::string>{other.Path() + "other.jpg"});
    EXPECT_EQ(host.statusTexts,
              (std::vector<std::u16string>{std::u16string(LoadingStatusText), u"",
                                           std::u16string(IndexingStatusText), u""}));
    EXPECT_FALSE(catalogue.Scanning());
}

TEST_F(FolderScan, DeepNestingDoesNotExhaustTheStack) {
    std::string relative;
    for (int depth = 0; depth < 1000; ++depth) relative += "d/";
    folder.Write(relative + "bottom.jpg", "x");
    Scan(folder.Path());
    EXPECT_EQ(tree.Nodes().size(), 1001u);
    EXPECT_EQ(catalogue.PagePaths.size(), 1u);
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

TEST_F(FolderScan, ObserverHearsWhatWasLeftOutAndWhy) {
    struct Collector : ScanObserver {
        void Note(ScanNote note) override { notes.push_back(std::move(note)); }
        std::vector<ScanNote> notes;
    } collector;
    catalogue.SetObserver(&collector);
    folder.Write("_hidden/a.htm", "");
    folder.Write("x.files/a.htm", "");
    folder.Write("readme.txt", "");
    folder.Write("TEMP.htm", "");
    folder.Write("s/b.jpg", "");
    ASSERT_EQ(::symlink("nowhere", (folder.Path() + "s/broken.htm").c_str()), 0);
    Scan(folder.Path());
    std::map<std::string, OmissionReason> reasons;
    for (const auto& note : collector.notes) {
        reasons[std::filesystem::path(note.path).filename().string()] = note.reason;
    }
    EXPECT_TRUE(reasons.count("_hidden") && reasons.at("_hidden") == OmissionReason::Hidden);
    EXPECT_EQ(reasons["x.files"], OmissionReason::SkippedFolder);
    EXPECT_EQ(reasons["readme.txt"], OmissionReason::NotViewable);
    EXPECT_EQ(reasons["TEMP.htm"], OmissionReason::WrapperPageName);
    ASSERT_EQ(reasons.count("broken.htm"), 1u);
    EXPECT_EQ(reasons["broken.htm"], OmissionReason::ListingEnded);
    for (const auto& note : collector.notes) {
        if (note.reason != OmissionReason::ListingEnded) continue;
        EXPECT_NE(note.error.find("Cannot open file"), std::string::npos);
        const auto order = ListingOrder(folder.Path() + "s");
        const bool bLost = std::find(order.begin(), order.end(), "b.jpg") >
                           std::find(order.begin(), order.end(), "broken.htm");
        EXPECT_EQ(note.lostEntries.size(), bLost ? 1u : 0u);
    }
}
