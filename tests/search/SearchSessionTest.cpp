// The search as the window drives it: when typing starts a search, which
// results count, how often the page takes them, what Enter opens; and the
// window's catalogue as searches read it, snapshot by snapshot.

#include <gtest/gtest.h>

#include "CatalogueRecorder.h"
#include "FolderScan.h"
#include "MemoryTree.h"
#include "SearchSession.h"
#include "TempFolder.h"

using namespace courseview;
using namespace std::chrono_literals;
using courseview::testing::PageWithTitle;
using courseview::testing::TempFolder;

namespace {

const SearchSession::Clock::time_point T0{};

SearchResult Result(std::int32_t entry) {
    SearchResult result;
    result.entry = entry;
    return result;
}

// A session whose search for "кеплер" is running, with `found` results.
SearchSession Running(std::size_t found) {
    SearchSession session;
    session.Typed(u"кеплер", T0);
    const auto due = session.TakeDueSearch(T0 + SearchSession::TypingPause);
    for (std::size_t i = 0; i < found; ++i)
        session.Add(due->generation, Result(static_cast<std::int32_t>(i)));
    return session;
}

}  // namespace

TEST(SearchSession, TypingStartsASearchOnceItPauses) {
    SearchSession session;
    session.Typed(u"к", T0);
    session.Typed(u"ке", T0 + 200ms);  // each keystroke starts the pause again
    EXPECT_EQ(session.NextDeadline(), T0 + 500ms);
    EXPECT_FALSE(session.TakeDueSearch(T0 + 499ms));
    const auto due = session.TakeDueSearch(T0 + 500ms);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->query, u"ке");
    EXPECT_EQ(session.WordToMark(), u"ке");
    EXPECT_TRUE(session.Running());
    EXPECT_FALSE(session.TakeDueSearch(T0 + 900ms)) << "started once";
    EXPECT_FALSE(session.NextDeadline());

    session.Typed(u"закон", T0 + 1s);
    session.DropTyped();  // Escape
    EXPECT_FALSE(session.TakeDueSearch(T0 + 2s));
    session.Typed(u" «Законы» Кеплера!", T0 + 1s);
    session.Hurry();  // Enter: at once
    const auto hurried = session.TakeDueSearch(T0 + 1s);
    ASSERT_TRUE(hurried);
    EXPECT_EQ(hurried->generation, due->generation + 1);
    EXPECT_EQ(session.WordToMark(), u"Законы") << "as typed";

    for (const std::u16string_view empty : {u"", u"  ", u"«—»"}) {
        session.Typed(empty, T0);
        const auto nothing = session.TakeDueSearch(T0 + 1s);
        ASSERT_TRUE(nothing);
        EXPECT_EQ(nothing->query, u"") << "a query without words shows nothing";
        EXPECT_FALSE(session.Running());
    }
}

TEST(SearchSession, OnlyTheCurrentSearchsResultsCount) {
    SearchSession session = Running(2);
    const std::uint64_t old = session.Generation();
    session.Typed(u"закон", T0 + 1s);
    session.Add(old, Result(7));  // queued before the keystroke cancelled its search
    EXPECT_EQ(session.Results().size(), 2u) << "what was found stays until the next search";
    const auto due = session.TakeDueSearch(T0 + 2s);
    EXPECT_TRUE(session.Results().empty());
    session.Add(old, Result(8));
    session.End(old);
    EXPECT_TRUE(session.Results().empty());
    EXPECT_TRUE(session.Running());
    session.Add(due->generation, Result(9));
    session.Forget();  // the catalogue is rebuilt
    session.Add(due->generation, Result(10));
    EXPECT_TRUE(session.Results().empty());
    EXPECT_FALSE(session.NextResult());
}

TEST(SearchSession, ThePageTakesResultsInThrottledBatchesAndThenTheEnd) {
    SearchSession session = Running(1);
    const std::uint64_t generation = session.Generation();
    using Update = std::optional<SearchSession::PageUpdate>;
    auto Is = [](const Update& update, std::size_t first, std::size_t end, bool ended) {
        return update && update->first == first && update->end == end && update->ended == ended;
    };
    EXPECT_FALSE(session.TakePageUpdate(T0)) << "no page shown yet";
    session.PageShown(true);
    EXPECT_TRUE(Is(session.TakePageUpdate(T0 + 1s), 0, 1, false));
    session.Add(generation, Result(1));
    session.Add(generation, Result(2));
    EXPECT_EQ(session.NextDeadline(), T0 + 1s + SearchSession::PageUpdateInterval);
    EXPECT_FALSE(session.TakePageUpdate(T0 + 1s + 100ms));
    EXPECT_TRUE(Is(session.TakePageUpdate(T0 + 1s + 150ms), 1, 3, false));
    session.End(generation);
    EXPECT_TRUE(Is(session.TakePageUpdate(T0 + 2s), 3, 3, true));
    EXPECT_FALSE(session.TakePageUpdate(T0 + 3s));
    session.PageShown(true);  // loaded again: everything again
    EXPECT_TRUE(Is(session.TakePageUpdate(T0 + 3s), 0, 3, true));
    session.PageShown(false);  // the student went elsewhere
    session.Add(generation, Result(3));
    EXPECT_FALSE(session.TakePageUpdate(T0 + 4s));
}

TEST(SearchSession, EnterOpensTheNextResultAndTheFirstAfterTheLast) {
    SearchSession session = Running(3);
    std::vector<std::size_t> opened;
    for (int press = 0; press < 4; ++press) opened.push_back(*session.NextResult());
    EXPECT_EQ(opened, (std::vector<std::size_t>{0, 1, 2, 0}));
    session.Opened(2);  // a click
    EXPECT_EQ(session.NextResult(), 0u);

    // Enter before the first result: it opens when it comes, once.
    SearchSession early = Running(0);
    EXPECT_FALSE(early.NextResult());
    EXPECT_FALSE(early.TakeResultToOpen());
    early.Add(early.Generation(), Result(5));
    EXPECT_EQ(early.TakeResultToOpen(), 0u);
    early.Add(early.Generation(), Result(6));
    EXPECT_FALSE(early.TakeResultToOpen());
    EXPECT_EQ(early.NextResult(), 1u);

    SearchSession changedMind = Running(0);
    changedMind.NextResult();
    changedMind.Typed(u"закон", T0 + 1s);  // typing on takes the Enter back
    changedMind.TakeDueSearch(T0 + 2s);
    changedMind.Add(changedMind.Generation(), Result(1));
    EXPECT_FALSE(changedMind.TakeResultToOpen());
}

TEST(CatalogueRecorder, SnapshotsReadAsTheShownTreeAndOutliveRebuilds) {
    TempFolder folder;
    folder.Write("Механика^/Законы Кеплера.htm", PageWithTitle("Законы Кеплера"));
    folder.Write("Механика^/Орбиты/Эллипс.jpg", "x");
    folder.Write("Оптика.htm", "<title>Оптика</title><p>Кеплер</p>");
    MemoryTree shown;
    CatalogueRecorder recorder(shown);
    WindowlessHost host;
    const ExtensionTables tables = MakeExtensionTables();
    Catalogue scan(recorder, host, tables);
    scan.LoadContents(folder.Path(), u"");

    const MemoryTreeCatalogue expected(shown, scan.PagePaths, tables);
    const auto snapshot = recorder.Snapshot(scan.PagePaths, tables);
    EXPECT_EQ(recorder.Snapshot(scan.PagePaths, tables), snapshot) << "nothing changed";
    ASSERT_EQ(snapshot->EntryCount(), 4u);
    for (std::size_t entry = 0; entry < snapshot->EntryCount(); ++entry) {
        EXPECT_EQ(snapshot->Caption(entry), expected.Caption(entry));
        EXPECT_EQ(snapshot->Path(entry), expected.Path(entry));
        EXPECT_EQ(snapshot->IsPage(entry), expected.IsPage(entry));
        EXPECT_EQ(snapshot->FolderPath(entry), expected.FolderPath(entry));
        // The shown tree's node, selected there (a MemoryTree's handle is its position + 1).
        const NodeHandle node = recorder.ShownNodeOf(static_cast<std::int32_t>(entry));
        shown.Select(reinterpret_cast<std::size_t>(node) - 1);
        EXPECT_EQ(shown.SelectedEntryIndex(), static_cast<std::int32_t>(entry));
    }
    EXPECT_EQ(recorder.ShownNodeOf(4), nullptr);

    // A rebuild changes nothing a running search reads, even once its caller let go.
    std::filesystem::remove_all(folder.Path() + "Механика^");
    folder.Write("Другое.htm", PageWithTitle("Другое"));
    scan.LoadContents(folder.Path(), u"");
    EXPECT_NE(recorder.Snapshot(scan.PagePaths, tables), snapshot);
    Searcher searcher(1);
    std::vector<std::u16string> found;
    searcher.Start(std::shared_ptr(snapshot), u"кеплер",
                   [&](SearchResult result) { found.push_back(result.caption); });
    searcher.Wait();
    EXPECT_EQ(found, (std::vector<std::u16string>{u" Законы Кеплера", u" Оптика"}));
    EXPECT_EQ(snapshot->FolderPath(2), std::vector<std::u16string>({u"Механика", u"Орбиты"}));
}
