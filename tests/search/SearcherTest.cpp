// The search over a catalogue: the order of its results, what they carry,
// cancellation; and the author's tool's --find.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "FolderScan.h"
#include "MemoryTree.h"
#include "SearchCatalogue.h"
#include "Searcher.h"
#include "ShellCommand.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::PageWithTitle;
using courseview::testing::TempFolder;

namespace {

// A course scanned as the viewer scans it.
struct ScannedCourse {
    explicit ScannedCourse(const std::string& folder)
        : scan(tree, host, tables),
          catalogue((scan.LoadContents(folder, u""), tree), scan.PagePaths, tables) {}
    MemoryTree tree;
    WindowlessHost host;
    const ExtensionTables tables = MakeExtensionTables();
    Catalogue scan;
    MemoryTreeCatalogue catalogue;
};

struct Collected {
    std::mutex mutex;
    std::vector<SearchResult> results;
    std::optional<SearchSummary> summary;
};

Collected& SearchAll(Searcher& searcher, const SearchCatalogue& catalogue, std::u16string query,
                     Collected& collected) {
    searcher.Start(
        catalogue, query,
        [&](SearchResult result) {
            std::lock_guard lock(collected.mutex);
            collected.results.push_back(std::move(result));
        },
        [&](const SearchSummary& summary) { collected.summary = summary; });
    searcher.Wait();
    return collected;
}

// One folder, in whatever order the file system lists it: entries named so
// that the expected order follows from the catalogue's own.
void LayOutCourse(const TempFolder& folder) {
    folder.Write("Механика^/Законы Кеплера.htm", PageWithTitle("Законы Кеплера"));
    folder.Write("Механика^/Орбиты.htm",
                 "<title>Орбиты</title><p>Орбиты планет подчиняются законам Кеплера.</p>");
    folder.Write("Механика^/Кеплер.jpg", "x");
    folder.Write("Механика^/Тяготение.htm", "<title>Тяготение</title><p>Ньютон</p>");
    folder.Write("Оптика/Кеплер и линзы.htm", "<title>Кеплер и линзы</title><p>Труба Кеплера.</p>");
}

}  // namespace

TEST(Searcher, CaptionsFirstThenTextEachInCatalogueOrder) {
    TempFolder folder;
    LayOutCourse(folder);
    ScannedCourse course(folder.Path());
    Searcher searcher(2, CodePageNamed("CP1251"));
    Collected collected;
    SearchAll(searcher, course.catalogue, u"кеплер", collected);
    ASSERT_TRUE(collected.summary);

    std::vector<std::int32_t> byCaption, byText;
    for (const SearchResult& result : collected.results) {
        (result.foundByCaption ? byCaption : byText).push_back(result.entry);
        EXPECT_EQ(result.caption, course.catalogue.Caption(result.entry));
        EXPECT_EQ(result.folderPath, course.catalogue.FolderPath(result.entry));
    }
    ASSERT_EQ(byCaption.size(), 3u);  // the two pages and the picture
    ASSERT_EQ(byText.size(), 1u);     // "Орбиты"
    EXPECT_TRUE(std::is_sorted(byCaption.begin(), byCaption.end()));
    EXPECT_EQ(collected.results.back().entry, byText[0]);
    EXPECT_EQ(collected.summary->results, 4u);
    for (const SearchResult& result : collected.results) {
        const std::u16string caption(result.caption);
        if (caption == u" Кеплер и линзы") {
            EXPECT_EQ(result.folderPath, std::vector<std::u16string>{u"Оптика"});
            EXPECT_EQ(result.captionHits, (std::vector<TextRange>{{1, 6}}));
            EXPECT_EQ(result.hits, 2u);  // the title and the text
            EXPECT_EQ(result.line.text, u"Кеплер и линзы Труба Кеплера.");
        } else if (caption == u"Кеплер") {
            EXPECT_EQ(result.hits, 0u);  // a picture: found by its name alone
            EXPECT_TRUE(result.line.text.empty());
        } else if (caption == u" Орбиты") {
            EXPECT_EQ(result.folderPath, std::vector<std::u16string>{u"Механика"});
            EXPECT_EQ(result.line.text, u"Орбиты планет подчиняются законам Кеплера.");
            EXPECT_EQ(result.line.marks, (std::vector<TextRange>{{34, 6}}));
        }
    }
}

TEST(Searcher, QueriesWithoutWordsFindNothing) {
    TempFolder folder;
    LayOutCourse(folder);
    ScannedCourse course(folder.Path());
    Searcher searcher;
    for (std::u16string query : {u"", u"  ", u"<>&\"—"}) {
        Collected collected;
        SearchAll(searcher, course.catalogue, query, collected);
        EXPECT_TRUE(collected.results.empty());
        ASSERT_TRUE(collected.summary);
        EXPECT_EQ(collected.summary->pagesSearched, 0u);
    }
}

TEST(Searcher, APageGoneSinceTheScanIsFoundByItsCaptionAlone) {
    TempFolder folder;
    LayOutCourse(folder);
    ScannedCourse course(folder.Path());
    std::filesystem::remove(folder.Path() + "Оптика/Кеплер и линзы.htm");
    Searcher searcher;
    Collected collected;
    SearchAll(searcher, course.catalogue, u"линзы", collected);
    ASSERT_EQ(collected.results.size(), 1u);
    EXPECT_EQ(collected.results[0].hits, 0u);
    EXPECT_EQ(collected.summary->pagesUnreadable, 1u);
}

TEST(Searcher, ANewSearchSilencesTheOldOneAtOnce) {
    TempFolder folder;
    for (int i = 0; i < 300; ++i) {
        folder.Write("p" + std::to_string(i) + ".htm", "<p>кеплер " + std::string(20000, 'x'));
    }
    ScannedCourse course(folder.Path());
    Searcher searcher(2);
    std::atomic<bool> replaced{false};
    std::atomic<int> late{0};
    std::atomic<int> first{0};
    // The first search's handler starts slowly, so that it is surely running.
    searcher.Start(course.catalogue, u"кеплер", [&](SearchResult) {
        if (replaced) ++late;
        ++first;
    });
    while (first == 0) std::this_thread::yield();
    Collected collected;
    searcher.Start(course.catalogue, u"кеплер", [&](SearchResult result) {
        std::lock_guard lock(collected.mutex);
        collected.results.push_back(std::move(result));
    });
    replaced = true;
    searcher.Wait();
    EXPECT_EQ(late, 0);
    EXPECT_EQ(collected.results.size(), 300u);

    // Cancelled from its own handler: nothing more comes.
    std::atomic<int> afterCancel{0};
    searcher.Start(course.catalogue, u"кеплер", [&](SearchResult) {
        ++afterCancel;
        searcher.Cancel();
    });
    searcher.Wait();
    EXPECT_EQ(afterCancel, 1);
}

namespace {

courseview::testing::CommandRun Tool(const std::string& arguments) {
    return courseview::testing::RunShellCommand(std::string(CATALOGUE_TOOL) + " " + arguments +
                                                " 2>&1");
}

}  // namespace

TEST(FindCommand, PrintsResultsAndExitsAsGrepDoes) {
    TempFolder folder;
    folder.Write("a.htm", "<title>Законы</title><p>Первый закон.</p>");
    folder.Write("b.htm", "<title>\"Кавычки\" & <script></title><p>Закон</p>");
    const std::string course = "'" + folder.Path() + "'";
    const courseview::testing::CommandRun text = Tool("--find закон " + course);
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.output.find(" Законы — 2 — Законы Первый закон.\n"), std::string::npos)
        << text.output;
    EXPECT_NE(text.output.find(" \"Кавычки\" & script — 1 — \"Кавычки\" & <script> Закон\n"),
              std::string::npos)
        << text.output;

    const courseview::testing::CommandRun json = Tool("--json --find 'закон первый' " + course);
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.output.substr(json.output.find("\"caption\"")),
              "\"caption\": \" Законы\", \"hits\": 3, \"line\": \"Законы Первый закон.\"}]\n");

    EXPECT_EQ(Tool("--find кеплер " + course).exitCode, 1);
    EXPECT_EQ(Tool("--find кеплер --json " + course).output, "[]\n");
    for (const std::string& bad :
         {std::string("--find"), std::string("--find x"), "--find x --bogus " + course,
          "--find x " + course + " " + course, "--find x '" + folder.Path() + "a.htm'"}) {
        const courseview::testing::CommandRun run = Tool(bad);
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
}
