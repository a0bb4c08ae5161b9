// The tool's report is written in pieces, on two threads where there are two
// cores: whatever the tree, the pieces must join into the one report.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "CatalogueReport.h"
#include "JsonDocument.h"
#include "OrderedPieces.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::JsonValue;
using courseview::testing::ParseJson;

TEST(OrderedPieces, EveryPieceArrivesOnceAndInOrder) {
    for (const std::size_t count : {0, 1, 4, 5, 300}) {
        std::string joined;
        FormatPiecesInOrder(
            count,
            [](std::size_t i, std::string& text) {
                // Uneven work, so the threads overtake one another.
                if (i % 7 == 3) std::this_thread::sleep_for(std::chrono::microseconds(300));
                text = std::to_string(i) + ",";
            },
            [&joined](std::string_view text) { joined += text; });
        std::string expected;
        for (std::size_t i = 0; i < count; ++i) expected += std::to_string(i) + ",";
        EXPECT_EQ(joined, expected) << count;
    }
}

// Many pieces' worth of nodes, with the depth rising and falling across the
// pieces' borders: a chain as deep as paths go, wide folders, and top-level leaves.
TEST(CatalogueReport, TreeOfManyPiecesReadsBackWhole) {
    MemoryTree tree;
    std::vector<std::string> paths;
    NodeHandle chain = tree.AddLastTopLevel(u"chain");
    // As deep as a path of PATH_MAX bytes can go ("a/a/..."), across pieces.
    for (int i = 0; i < 2048; ++i) {
        chain = tree.AddLastChild(chain, u"level " + Utf8ToUtf16(std::to_string(i)));
        if (i % 500 == 499) tree.AddLastChild(chain, u"side");
    }
    for (int folder = 0; folder < 5; ++folder) {
        const NodeHandle wide = tree.AddLastTopLevel(u"wide");
        for (int i = 0; i < 3000; ++i) {
            const NodeHandle leaf = tree.AddLastChild(wide, u"\"leaf\"\n");
            tree.SetEntryIndex(leaf, static_cast<std::int32_t>(paths.size()));
            paths.push_back("/c/" + std::to_string(paths.size()) + " \xFF.jpg");
        }
        tree.AddLastTopLevel(u"alone");
    }
    const std::vector<ScanNote> notes(9000, ScanNote{OmissionReason::Hidden, "/c/_x", {}, {}});
    const CatalogueReport report{tree, paths, notes, "CP1251"};

    std::ostringstream json;
    WriteCatalogueJson(json, report);
    std::string error;
    const auto document = ParseJson(json.str(), &error);
    ASSERT_TRUE(document) << error;
    // Walk the document and the tree side by side, without recursion.
    const JsonValue* nodes = document->Find("nodes");
    ASSERT_EQ(nodes->items.size(), tree.TopLevel().size());
    std::vector<std::pair<const JsonValue*, std::size_t>> pending;
    for (std::size_t i = 0; i < nodes->items.size(); ++i)
        pending.emplace_back(&nodes->items[i], tree.TopLevel()[i]);
    std::size_t seen = 0;
    while (!pending.empty()) {
        const auto [value, position] = pending.back();
        pending.pop_back();
        ++seen;
        const MemoryTree::Node& node = tree.Nodes()[position];
        ASSERT_EQ(value->Find("caption")->text, Utf16ToUtf8(node.caption));
        ASSERT_EQ(value->Find("entry")->text,
                  node.entryIndex ? std::to_string(*node.entryIndex) : "");
        const JsonValue* children = value->Find("children");
        ASSERT_EQ(children->items.size(), node.children.size()) << Utf16ToUtf8(node.caption);
        for (std::size_t i = 0; i < node.children.size(); ++i)
            pending.emplace_back(&children->items[i], node.children[i]);
    }
    EXPECT_EQ(seen, tree.Nodes().size());
    EXPECT_EQ(document->Find("paths")->items.size(), paths.size());
    EXPECT_EQ(document->Find("uris")->items.back().text, "file:///c/14999%20%FF.jpg");
    EXPECT_EQ(document->Find("notes")->items.size(), notes.size());
    EXPECT_EQ(document->Find("codePage")->text, "CP1251");

    std::ostringstream text;
    WriteCatalogueText(text, report);
    const std::string lines = text.str();
    EXPECT_NE(lines.find("\n" + std::string(2001 * 4, ' ') + "[-] \"side\"\n"), std::string::npos);
    // A line a node, the count, "Left out:", the notes, the code page.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'),
              static_cast<std::ptrdiff_t>(tree.Nodes().size() + 2 + 2 + notes.size() + 2));
    EXPECT_TRUE(lines.ends_with("\ncode page: CP1251\n"));
}
