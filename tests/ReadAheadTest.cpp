#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <utility>

#include "FolderScan.h"
#include "MemoryTree.h"
#include "ReadAhead.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::PageWithTitle;
using courseview::testing::TempFolder;

namespace {

class QuietHost final : public ScanHost {
public:
    void SetStatusText(std::u16string_view) override {}
    void LetPendingMessagesRun() override {
        if (onFirstPump) std::exchange(onFirstPump, nullptr)();
    }
    std::function<void()> onFirstPump;
};

bool Eventually(const std::function<bool()>& done);

struct NoteList final : ScanObserver {
    void Note(ScanNote note) override {
        std::string text =
            std::string(OmissionReasonName(note.reason)) + " " + note.path + " " + note.error;
        for (const auto& lost : note.lostEntries) text += " " + lost;
        notes.push_back(text);
    }
    std::vector<std::string> notes;
};

// What a scan produced, as text: the tree, PagePaths and the notes.
struct ScanResult {
    std::string tree;
    std::vector<std::string> paths;
    std::vector<std::string> notes;
    std::uint64_t pagesListed = 0;
    bool operator==(const ScanResult& other) const {
        return tree == other.tree && paths == other.paths && notes == other.notes;
    }
};

std::string Render(const MemoryTree& tree, const std::vector<std::size_t>& positions) {
    std::string text;
    for (std::size_t position : positions) {
        const auto& node = tree.Nodes()[position];
        text += "[" + Utf16ToUtf8(node.caption);
        if (node.entryIndex) text += "#" + std::to_string(*node.entryIndex);
        text += Render(tree, node.children) + "]";
    }
    return text;
}

ScanResult Scan(const std::string& folder, Catalogue::ReadAheadMode mode) {
    MemoryTree tree;
    QuietHost host;
    const ExtensionTables tables = MakeExtensionTables();
    const auto utf8 = OpenCodePage("UTF-8");
    Catalogue catalogue(tree, host, tables, *utf8);
    NoteList notes;
    catalogue.SetObserver(&notes);
    catalogue.SetReadAhead(mode);
    // A small package is scanned in a blink: give the walker a head start,
    // so that the scan really meets pages it has read.
    host.onFirstPump = [&] {
        const ReadAhead& readAhead = catalogue.PageReadAhead();
        if (!readAhead.Running()) return;
        Eventually([&] { return readAhead.PagesRead() > 4; });
    };
    catalogue.LoadContents(folder, u"");
    ScanResult result{
        Render(tree, tree.TopLevel()), {}, notes.notes, catalogue.PageReadAhead().PagesListed()};
    for (const auto& path : catalogue.PagePaths) result.paths.push_back(path);
    return result;
}

// A package with everything that can end a folder early or be left out:
// pages that cannot be read, a FIFO and a folder named like pages, hidden and
// "files" folders, links back up the path and across to listed folders.
void MakeHostilePackage(const TempFolder& folder, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::string> folders{""};
    for (int i = 0; i < 40; ++i) {
        const std::string parent = folders[random() % folders.size()];
        const std::string names[] = {
            "Раздел " + std::to_string(i), "Тема " + std::to_string(i) + "^",
            "_hidden" + std::to_string(i), "x" + std::to_string(i) + ".files"};
        folders.push_back(parent + names[random() % 4] + "/");
        folder.MakeFolder(folders.back());
    }
    for (int i = 0; i < 400; ++i) {
        const std::string& at = folders[random() % folders.size()];
        const std::string name = at + "f" + std::to_string(i);
        switch (random() % 10) {
            case 0:
                ASSERT_EQ(::symlink("nowhere", (folder.Path() + name + ".htm").c_str()), 0);
                break;
            case 1:
                folder.Write(name + ".jpg", "x");
                break;
            case 2:
                folder.Write(name + ".txt", "x");
                break;
            default:
                folder.Write(name + ".htm", PageWithTitle("Страница " + std::to_string(i)));
                break;
        }
    }
    ASSERT_EQ(::mkfifo((folder.Path() + folders[1] + "pipe.htm").c_str(), 0600), 0);
    folder.MakeFolder(folders[2] + "folder.htm");
    ASSERT_EQ(::symlink("/dev/zero", (folder.Path() + folders[3] + "zero.htm").c_str()), 0);
    ASSERT_EQ(::symlink("..", (folder.Path() + folders[4] + "up").c_str()), 0);
    ASSERT_EQ(::symlink(folder.Path().c_str(), (folder.Path() + folders[5] + "root^").c_str()), 0);
    ASSERT_EQ(::symlink(("../" + folders[6]).c_str(), (folder.Path() + "across").c_str()), 0);
}

// Polls until `done` or five seconds have passed.
// The deadline only ends a failing test: a busy machine may take long to get there.
bool Eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 3000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// A folder of `count` pages, in subfolders of ten, in the order a scan lists them.
std::vector<std::string> MakePages(const TempFolder& folder, int count) {
    for (int i = 0; i < count; ++i) {
        folder.Write("d" + std::to_string(i / 10) + "/p" + std::to_string(i) + ".htm",
                     PageWithTitle("x"));
    }
    MemoryTree tree;
    QuietHost host;
    const ExtensionTables tables = MakeExtensionTables();
    Catalogue catalogue(tree, host, tables);
    catalogue.SetReadAhead(Catalogue::ReadAheadMode::Off);
    catalogue.LoadContents(folder.Path(), u"");
    std::vector<std::string> pages;
    for (const auto& path : catalogue.PagePaths) pages.push_back(path);
    return pages;
}

// Drops a file's pages from the page cache, as a disc or a stick that was
// never read would have them; false where the system keeps them anyway.
// Asked through a mapping, since asking by reading brings them back.
bool DropFromMemory(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    ::fdatasync(descriptor);
    ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);
    void* mapping = ::mmap(nullptr, 1, PROT_READ, MAP_SHARED, descriptor, 0);
    unsigned char resident = 1;
    if (mapping != MAP_FAILED) {
        ::mincore(mapping, 1, &resident);
        ::munmap(mapping, 1);
    }
    ::close(descriptor);
    return (resident & 1) == 0;
}

// A read-ahead over a folder of pages, driven by hand in place of a scan.
class ReadAheadWalk : public ::testing::Test {
protected:
    // Lays out `pageCount` pages (none when 0) and walks them, the first
    // `pagesTaken` counted as read by the scan.
    ReadAhead& StartOver(int pageCount, std::uint64_t pagesTaken = 0) {
        if (pageCount > 0) pages = MakePages(folder, pageCount);
        readAhead.emplace(tables, SystemCodePage(), limits);
        readAhead->Start(folder.Path(), pagesTaken);
        return *readAhead;
    }

    TempFolder folder;
    std::vector<std::string> pages;
    const ExtensionTables tables = MakeExtensionTables();
    ReadAhead::Limits limits;
    std::optional<ReadAhead> readAhead;
};

}  // namespace

TEST(ReadAhead, ScanFindsTheSameWithAndWithoutIt) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        TempFolder folder;
        MakeHostilePackage(folder, seed);
        const ScanResult alone = Scan(folder.Path(), Catalogue::ReadAheadMode::Off);
        const ScanResult helped = Scan(folder.Path(), Catalogue::ReadAheadMode::Always);
        EXPECT_EQ(helped.tree, alone.tree) << "seed " << seed;
        EXPECT_EQ(helped.paths, alone.paths) << "seed " << seed;
        EXPECT_EQ(helped.notes, alone.notes) << "errors end the same folders at the same entries";
        EXPECT_GT(helped.pagesListed, 0u) << "the read-ahead did run";
        EXPECT_EQ(Scan(folder.Path(), Catalogue::ReadAheadMode::WhenPagesAreCold), alone);
    }
}

TEST_F(ReadAheadWalk, HandsOutPagesInTheScansOrderFromThoseNotYetRead) {
    std::vector<std::string> queued;
    std::mutex guard;
    limits.pagesAhead = 1000;
    limits.onQueued = [&](const std::string& page) {
        std::lock_guard lock(guard);
        queued.push_back(page);
    };
    ReadAhead& walk = StartOver(60, 20);
    ASSERT_TRUE(Eventually([&] { return !walk.Walking(); }));
    EXPECT_TRUE(Eventually([&] { return walk.PagesRead() == pages.size() - 20; }));
    EXPECT_TRUE(Eventually([&] { return walk.FoldersRead() == 6; }))
        << "each subfolder is read ahead of the walker too";
    walk.Stop();
    EXPECT_EQ(queued, std::vector<std::string>(pages.begin() + 20, pages.end()));
}

TEST_F(ReadAheadWalk, NeverRunsFurtherAheadThanItsLimit) {
    limits.readers = 2;
    limits.pagesAhead = 8;
    ReadAhead& walk = StartOver(100);
    ASSERT_TRUE(Eventually([&] { return walk.PagesListed() >= 9; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The ninth page is listed while the walker waits to hand it out.
    EXPECT_EQ(walk.PagesListed(), 9u);
    EXPECT_TRUE(Eventually([&] { return walk.PagesRead() == 8; }));
    for (int i = 0; i < 5; ++i) walk.PageTaken();
    // Woken once the lead has halved, it hands out up to the limit again.
    EXPECT_TRUE(Eventually([&] { return walk.PagesListed() >= 14; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(walk.PagesListed(), 14u);
    for (std::size_t i = 5; i < pages.size(); ++i) walk.PageTaken();
    EXPECT_TRUE(Eventually([&] { return !walk.Walking(); }));
    EXPECT_LE(walk.LargestLead(), 8u);
    EXPECT_LE(walk.PagesRead(), pages.size()) << "pages the scan has passed are not read";
    walk.Stop();
}

TEST_F(ReadAheadWalk, StopsWhileWaitingOrWalking) {
    limits.pagesAhead = 4;
    ReadAhead& walk = StartOver(300);
    ASSERT_TRUE(Eventually([&] { return walk.PagesListed() >= 5; }));
    walk.Stop();  // the walker waits for the scan here
    EXPECT_FALSE(walk.Running());
    walk.Start(folder.Path(), 0);
    walk.Start(folder.Path(), 0);  // starting again ends the walk before
    readAhead.reset();             // and so does the end of its life
}

TEST(ReadAhead, StartsOnlyWhenPagesKeepComingFromTheDisk) {
    TempFolder folder;
    const std::vector<std::string> pages = MakePages(folder, 300);
    const ScanResult inMemory = Scan(folder.Path(), Catalogue::ReadAheadMode::Off);
    // A few pages the system dropped now and then are no reason to start.
    for (std::size_t i = 0; i < pages.size(); i += 60) {
        if (!DropFromMemory(pages[i]))
            GTEST_SKIP() << "this file system keeps every page in memory";
    }
    const ScanResult fewDropped = Scan(folder.Path(), Catalogue::ReadAheadMode::WhenPagesAreCold);
    EXPECT_EQ(fewDropped.pagesListed, 0u);
    EXPECT_EQ(fewDropped, inMemory);
    // A package that comes from the disk page after page is read ahead, also
    // after a long run of pages in memory, when only some pages are watched.
    for (std::size_t i = 150; i < pages.size(); ++i) DropFromMemory(pages[i]);
    const ScanResult fromDisk = Scan(folder.Path(), Catalogue::ReadAheadMode::WhenPagesAreCold);
    EXPECT_GT(fromDisk.pagesListed, 0u);
    EXPECT_EQ(fromDisk, inMemory);
}

TEST_F(ReadAheadWalk, PausesWhilePagesAreInMemoryAndGoesOnWhenAsked) {
    limits.pagesAhead = 64;
    limits.warmPagesBeforePause = 16;
    ReadAhead& walk = StartOver(400);
    ASSERT_TRUE(Eventually([&] { return walk.Paused(); }));
    ASSERT_TRUE(Eventually([&] { return walk.PagesRead() == walk.PagesListed() - 1; }));
    EXPECT_EQ(walk.PagesFromDisk(), 0u);
    const std::uint64_t listed = walk.PagesListed();
    for (int i = 0; i < 200; ++i) walk.PageTaken();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(walk.PagesListed(), listed) << "a paused walk does not follow the scan";
    // The scan met cold pages: the walk goes on from the scan's page, and
    // what the scan has passed is not read.
    for (std::size_t i = 200; i < pages.size(); ++i) DropFromMemory(pages[i]);
    walk.Resume();
    EXPECT_TRUE(Eventually([&] { return walk.PagesListed() >= 200 + 64; }));
    EXPECT_TRUE(Eventually([&] { return walk.PagesFromDisk() > 0; }));
    walk.Stop();
}

TEST_F(ReadAheadWalk, HoldsNoFolderOpenWhileItWaitsDeepDown) {
    // Each level of the scan keeps its listing open; the walk must not add a
    // second descriptor per level, or a deep package would run out sooner.
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    std::string deep;
    for (int depth = 0; depth < 100; ++depth) deep += "d/";
    folder.Write(deep + "a.htm", PageWithTitle("a"));
    folder.Write(deep + "b.htm", PageWithTitle("b"));
    const auto before = openDescriptors();
    limits.pagesAhead = 1;
    StartOver(0);
    // The second page waits for the scan, a hundred folders down.
    ASSERT_TRUE(
        Eventually([&] { return readAhead->PagesListed() == 2 && readAhead->PagesRead() == 1; }));
    EXPECT_LE(openDescriptors(), before + 2);
    readAhead->Stop();
}

TEST(ReadAhead, StopsBeforeTheScanGoesDeeperThanItsWalk) {
    TempFolder folder;
    std::string deep;
    for (int depth = 0; depth <= ReadAhead::DeepestFolder + 20; ++depth) {
        deep += "d/";
        folder.Write(deep + "p.htm", PageWithTitle("p"));
    }
    const ScanResult alone = Scan(folder.Path(), Catalogue::ReadAheadMode::Off);
    const ScanResult helped = Scan(folder.Path(), Catalogue::ReadAheadMode::Always);
    EXPECT_EQ(helped, alone);
    EXPECT_LE(helped.pagesListed, static_cast<std::uint64_t>(ReadAhead::DeepestFolder + 2))
        << "the walk ends where the scan goes on alone";
}
