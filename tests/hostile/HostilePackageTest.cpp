// Hostile course packages, end to end: each is built at run time and handed
// to courseview-catalogue, which runs the viewer's own scan. Whatever the
// package holds, the tool must end (no hang), exit 0 after its scan, print
// one valid JSON document, follow the documented rules (an unreadable page
// ends its own folder's listing quietly, nothing more), and write, move or
// delete nothing: not in the package, not in its working, home or temp folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

#include "HostilePackages.h"
#include "HostileSupport.h"
#include "JsonDocument.h"

using namespace courseview::testing;

namespace {

// Generous: a scan that needs this long has hung.
constexpr int DeadlineSeconds = 300;

struct Note {
    std::string path;
    std::string reason;
    std::string error;
    std::vector<std::string> lost;
};

// What the tool printed, read back.
struct Catalogue {
    std::optional<JsonValue> document;
    std::string problem;

    const JsonValue& Nodes() const { return *document->Find("nodes"); }

    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& item : document->Find("paths")->items) paths.push_back(item.text);
        return paths;
    }

    std::vector<Note> Notes() const {
        std::vector<Note> notes;
        for (const auto& item : document->Find("notes")->items) {
            Note note{item.Find("path")->text, item.Find("reason")->text, {}, {}};
            if (const JsonValue* error = item.Find("error")) note.error = error->text;
            if (const JsonValue* lost = item.Find("lost")) {
                for (const auto& name : lost->items) note.lost.push_back(name.text);
            }
            notes.push_back(std::move(note));
        }
        return notes;
    }

    // The node with this caption among `nodes`, or nullptr.
    static const JsonValue* Child(const JsonValue& nodes, const std::string& caption) {
        for (const auto& node : nodes.items) {
            if (node.Find("caption")->text == caption) return &node;
        }
        return nullptr;
    }

    static std::vector<std::string> Captions(const JsonValue& nodes) {
        std::vector<std::string> captions;
        for (const auto& node : nodes.items) captions.push_back(node.Find("caption")->text);
        return captions;
    }

    // Every node, depth first, without recursion.
    std::size_t NodeCount() const {
        std::size_t count = 0;
        std::vector<const JsonValue*> pending{&Nodes()};
        while (!pending.empty()) {
            const JsonValue* nodes = pending.back();
            pending.pop_back();
            for (const auto& node : nodes->items) {
                ++count;
                pending.push_back(node.Find("children"));
            }
        }
        return count;
    }
};

class HostilePackage : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"work", "home", "temp", "runtime"}) scratch.MakeFolder(name);
    }

    // Runs the tool with `arguments` in a scratch working folder, with a
    // scratch home, temp and runtime folder, and checks that it wrote into none.
    ProgramRun RunTool(std::vector<std::string> arguments,
                       std::map<std::string, std::string> environment = {}) {
        environment.merge(std::map<std::string, std::string>{
            {"LC_ALL", "C.UTF-8"},
            {"HOME", scratch.Path() + "home"},
            {"TMPDIR", scratch.Path() + "temp"},
            {"XDG_RUNTIME_DIR", scratch.Path() + "runtime"},
        });
        arguments.insert(arguments.begin(), CATALOGUE_TOOL);
        const ProgramRun run =
            RunProgram(arguments, scratch.Path() + "work", environment, DeadlineSeconds);
        EXPECT_FALSE(run.hung) << "still running after " << DeadlineSeconds << " s";
        EXPECT_EQ(run.signal, 0) << "killed by signal " << run.signal << "\n"
                                 << run.errors.substr(0, 4000);
        for (const char* name : {"work", "home", "temp", "runtime"}) {
            EXPECT_TRUE(ListingOrder(scratch.Path() + name).empty())
                << "the tool wrote into " << name;
        }
        return run;
    }

    // Runs the tool on the package and checks what every run must satisfy.
    Catalogue Scan(std::map<std::string, std::string> faults = {}, bool json = true) {
        if (!faults.empty()) {
            faults["LD_PRELOAD"] = FAULT_INJECTION_LIBRARY;
            // A sanitizer build wants its runtime first; the preloaded faults
            // come before it on purpose.
            const char* sanitizer = std::getenv("ASAN_OPTIONS");
            faults["ASAN_OPTIONS"] =
                std::string(sanitizer != nullptr ? sanitizer : "") + ":verify_asan_link_order=0";
        }
        std::vector<std::string> arguments = {package.Path()};
        if (json) arguments.insert(arguments.begin(), "--json");
        const ProgramRun run = RunTool(arguments, faults);
        EXPECT_EQ(run.exitCode, 0) << run.errors.substr(0, 4000);
        EXPECT_EQ(run.errors, "");
        Catalogue catalogue;
        if (!json) return catalogue;
        catalogue.document = ParseJson(run.output, &catalogue.problem);
        EXPECT_TRUE(catalogue.document.has_value()) << catalogue.problem << "\n"
                                                    << run.output.substr(0, 2000);
        if (catalogue.document) {
            EXPECT_NE(catalogue.document->Find("nodes"), nullptr);
            EXPECT_NE(catalogue.document->Find("paths"), nullptr);
            EXPECT_NE(catalogue.document->Find("notes"), nullptr);
        }
        return catalogue;
    }

    // The entries after `name` in its folder's listing order: what an error
    // at `name` costs.
    static std::vector<std::string> ListedAfter(const std::string& folder,
                                                const std::string& name) {
        const auto order = ScanOrder(folder);
        const auto at = std::find(order.begin(), order.end(), name);
        return at == order.end() ? std::vector<std::string>{}
                                 : std::vector<std::string>(at + 1, order.end());
    }

    TempFolder package;
    TempFolder scratch;
};

}  // namespace

TEST_F(HostilePackage, TenThousandNestedFoldersEndQuietlyAtThePathLimit) {
    // Full paths are built from the folder given, so a folder can be listed
    // while its path (with the closing NUL) fits PATH_MAX; its node is made by
    // the listing above it, so one more level shows, empty.
    const std::size_t prefix = package.Path().size();
    const int deepestListable = static_cast<int>((PATH_MAX - prefix) / 2);
    // A page right below the limit would end its folder's listing before or
    // after the next folder, as the listing order has it: keep pages away.
    int pageEvery = 100;
    while (deepestListable % pageEvery < 4) --pageEvery;
    ASSERT_EQ(LayOutDeepNesting(package.Path(), pageEvery), 10000);
    const Snapshot before = TakeSnapshot(package.Path());

    // Every level holds its listing open while the next is scanned: the tool
    // raises its soft limit on open files to the hard one, so start it with
    // the usual soft limit of 1024.
    rlimit descriptors{};
    ::getrlimit(RLIMIT_NOFILE, &descriptors);
    const rlimit inherited = descriptors;
    descriptors.rlim_cur = std::min<rlim_t>(1024, descriptors.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &descriptors);
    const bool enoughDescriptors = descriptors.rlim_max > static_cast<rlim_t>(deepestListable + 16);

    const Catalogue catalogue = Scan();
    ::setrlimit(RLIMIT_NOFILE, &inherited);
    ASSERT_TRUE(catalogue.document);
    int depth = 0;
    int pages = 0;
    for (const JsonValue* nodes = &catalogue.Nodes();
         const JsonValue* d = Catalogue::Child(*nodes, "d"); nodes = d->Find("children")) {
        ++depth;
        EXPECT_TRUE(d->Find("entry")->kind == JsonValue::Kind::Null);
        if (Catalogue::Child(*d->Find("children"), " Level") != nullptr) ++pages;
    }
    const auto notes = catalogue.Notes();
    ASSERT_EQ(notes.size(), 1u) << "only the first folder too deep to list is noted";
    EXPECT_EQ(notes[0].reason, "error ended the folder's listing");
    if (enoughDescriptors) {
        EXPECT_EQ(depth, deepestListable + 1);
        EXPECT_EQ(pages, deepestListable / pageEvery);
        EXPECT_EQ(catalogue.Paths().size(), static_cast<std::size_t>(pages));
        EXPECT_NE(notes[0].error.find(std::strerror(ENAMETOOLONG)), std::string::npos)
            << notes[0].error;
        EXPECT_EQ(notes[0].path.size(), prefix + 2 * deepestListable + 1);
    } else {
        // Descriptors run out first: the scan still ends quietly, shorter.
        EXPECT_LT(depth, deepestListable + 1);
        EXPECT_NE(notes[0].error.find(std::strerror(EMFILE)), std::string::npos) << notes[0].error;
    }
    Scan({}, false);  // the indented text report walks the same depth
    EXPECT_TRUE(SameTree(before, package.Path()));
}

TEST_F(HostilePackage, LinksIntoTheirOwnSubtreeAndIntoEachOtherAreShownNotEntered) {
    LayOutLinks(package.Path());
    const Snapshot before = TakeSnapshot(package.Path());

    const Catalogue catalogue = Scan();
    ASSERT_TRUE(catalogue.document);
    EXPECT_LT(catalogue.NodeCount(), 1000u) << "linked folders multiplied the work";
    const JsonValue* a = Catalogue::Child(catalogue.Nodes(), "a");
    ASSERT_NE(a, nullptr);
    const JsonValue* self = Catalogue::Child(*a->Find("children"), "self");
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->Find("entry")->kind, JsonValue::Kind::Number) << "a \"^\" link still opens";
    EXPECT_TRUE(self->Find("children")->items.empty());
    const JsonValue* c =
        Catalogue::Child(*Catalogue::Child(*a->Find("children"), "b")->Find("children"), "c");
    ASSERT_NE(c, nullptr);
    const JsonValue* up = Catalogue::Child(*c->Find("children"), "up");
    ASSERT_NE(up, nullptr);
    EXPECT_TRUE(up->Find("children")->items.empty());

    std::map<std::string, std::string> reasons;
    for (const auto& note : catalogue.Notes())
        reasons[note.path.substr(package.Path().size())] = note.reason;
    EXPECT_EQ(reasons["a/self^"], "link back into its own path: shown, not entered");
    EXPECT_EQ(reasons["a/b/c/up"], "link back into its own path: shown, not entered");
    EXPECT_EQ(reasons["a/b/root"], "link back into its own path: shown, not entered");
    const std::string firstLoop = ScanOrder(package.Path() + "loops").front();
    EXPECT_EQ(reasons["loops/" + firstLoop], "error ended the folder's listing");
    EXPECT_EQ(reasons["dangling/gone.htm"], "error ended the folder's listing");
    for (const auto& note : catalogue.Notes()) {
        if (note.path == package.Path() + "loops/" + firstLoop) {
            EXPECT_NE(note.error.find(std::strerror(ELOOP)), std::string::npos) << note.error;
        }
    }
    EXPECT_TRUE(SameTree(before, package.Path()));
}

TEST_F(HostilePackage, FiftyThousandEntriesInOneFolderAreAllListed) {
    constexpr int entries = 50000;
    const std::set<std::string> expectedCaptions = LayOutCrowd(package.Path(), entries);
    const Snapshot before = TakeSnapshot(package.Path());

    const Catalogue catalogue = Scan();
    ASSERT_TRUE(catalogue.document);
    const auto captions = Catalogue::Captions(catalogue.Nodes());
    EXPECT_EQ(std::set<std::string>(captions.begin(), captions.end()), expectedCaptions);
    EXPECT_EQ(captions.size(), expectedCaptions.size());
    EXPECT_EQ(catalogue.Paths().size(), expectedCaptions.size());
    EXPECT_EQ(catalogue.Notes().size(), static_cast<std::size_t>(entries / 5));
    EXPECT_TRUE(SameTree(before, package.Path()));
}

TEST_F(HostilePackage, NamesWithEveryByteAndMarkupKeepTheirBytes) {
    const std::vector<std::string> names = LayOutNames(package.Path());
    const Snapshot before = TakeSnapshot(package.Path());

    const Catalogue catalogue = Scan();
    ASSERT_TRUE(catalogue.document);
    const auto paths = catalogue.Paths();
    const std::set<std::string> pathSet(paths.begin(), paths.end());
    std::size_t replaced = 0;
    for (const auto& name : names) {
        const std::string path = package.Path() + name;
        if (pathSet.count(path) == 0) ++replaced;  // not UTF-8: shown with U+FFFD
    }
    // 0x80..0xFF alone are never UTF-8, and neither is the run of all of them.
    EXPECT_EQ(replaced, 128u + 1u);
    std::size_t withReplacement = 0;
    for (const auto& path : paths)
        withReplacement += path.find("\xEF\xBF\xBD") != std::string::npos;
    EXPECT_EQ(withReplacement, replaced);
    EXPECT_EQ(paths.size(), names.size() + 2)
        << "every picture and clip, the page folder and its page";

    const JsonValue* folder = Catalogue::Child(catalogue.Nodes(), "new\nline");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(Catalogue::Captions(*folder->Find("children")),
              std::vector<std::string>{" &amp; \"x\" script alert(1) /script"});
    EXPECT_NE(Catalogue::Child(catalogue.Nodes(), "\"quoted\" 'single'"), nullptr);
    EXPECT_NE(Catalogue::Child(catalogue.Nodes(), "cr\rlf\n"), nullptr);
    Scan({}, false);
    EXPECT_TRUE(SameTree(before, package.Path()));
}

TEST_F(HostilePackage, OddPagesGetTheirDocumentedCaptions) {
    LayOutOddPages(package.Path());
    const Snapshot before = TakeSnapshot(package.Path());

    const Catalogue catalogue = Scan();
    ASSERT_TRUE(catalogue.document);
    const auto captions = Catalogue::Captions(catalogue.Nodes());
    const std::set<std::string> top(captions.begin(), captions.end());
    for (const std::string caption :
         {"empty", "nuls", " Ab", "odd-open",
          " A\xEF\xBF\xBD"
          "B",
          " \xEF\xBF\xBDx", " Big one", "hole", "clip", "fifo", "device", "folder-page"}) {
        EXPECT_EQ(top.count(caption), 1u) << caption;
    }
    std::map<std::string, Note> notes;
    for (const auto& note : catalogue.Notes())
        notes[note.path.substr(package.Path().size())] = note;
    for (const auto& [folder, page] : std::map<std::string, std::string>{
             {"fifo", "pipe.htm"}, {"device", "zero.htm"}, {"folder-page", "_notes.htm"}}) {
        ASSERT_EQ(notes.count(folder + "/" + page), 1u) << folder;
        const Note& note = notes[folder + "/" + page];
        EXPECT_EQ(note.reason, "error ended the folder's listing");
        EXPECT_EQ(note.error.rfind(
                      "Cannot open file \"" + package.Path() + folder + "/" + page + "\". ", 0),
                  0u)
            << note.error;
        EXPECT_EQ(note.lost, ListedAfter(package.Path() + folder, page));
        const JsonValue* node = Catalogue::Child(catalogue.Nodes(), folder);
        EXPECT_EQ(node->Find("children")->items.size() + note.lost.size() + 1,
                  ListingOrder(package.Path() + folder).size())
            << "what was listed before the page stays";
    }
    EXPECT_TRUE(SameTree(before, package.Path()));
}

TEST_F(HostilePackage, SearchingOddPagesAndNamesWithHostileQueriesEndsQuietly) {
    // The search reads every page the catalogue lists: a 2 GB hole, a page of
    // NULs, lone surrogates, markup in names and titles.
    LayOutOddPages(package.Path());
    package.MakeFolder("names");
    LayOutNames(package.Path() + "names/");
    package.Write("script.htm", "<script>" + std::string(1 << 20, 'x') + "</script>" +
                                    "<p>&lt;script&gt; &amp; \"quotes\" 'single'</p>");
    const Snapshot before = TakeSnapshot(package.Path());
    for (const std::string& query :
         {std::string("<script>"), std::string("&amp; \"quotes\""), std::string("big one"),
          std::string(10000, 'a'), std::string("\xFF\xFE bad")}) {
        const ProgramRun run = RunTool({"--json", "--find", query, package.Path()});
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.errors.substr(0, 4000);
        std::string problem;
        const auto results = ParseJson(run.output, &problem);
        ASSERT_TRUE(results.has_value()) << problem << "\n" << run.output.substr(0, 2000);
        EXPECT_EQ(results->items.empty(), run.exitCode == 1) << query.substr(0, 20);
    }
    EXPECT_TRUE(SameTree(before, package.Path()));
}

TEST_F(HostilePackage, PageVanishingOrFailingMidReadEndsOnlyItsFolder) {
    for (const char* name : {"a.jpg", "gone.htm", "m.htm", "z.jpg"})
        package.Write(std::string("v/") + name, "x");
    package.Write("scratched/a.jpg", "x");
    package.Write("scratched/broken.htm", "<title>" + std::string(200000, 'x') + " </title>");
    package.Write("scratched/z.jpg", "x");
    package.Write("z-after.jpg", "x");
    const std::map<std::string, std::vector<std::string>> lost = {
        {"v/gone.htm", ListedAfter(package.Path() + "v", "gone.htm")},
        {"scratched/broken.htm", ListedAfter(package.Path() + "scratched", "broken.htm")}};
    Snapshot expected = TakeSnapshot(package.Path());
    std::erase_if(expected, [](const auto& entry) { return entry.second.name == "gone.htm"; });

    const Catalogue catalogue = Scan(
        {{"COURSEVIEW_FAULT_VANISH", "gone.htm"}, {"COURSEVIEW_FAULT_FAIL_READ", "broken.htm"}});
    ASSERT_TRUE(catalogue.document);
    std::map<std::string, Note> notes;
    for (const auto& note : catalogue.Notes())
        notes[note.path.substr(package.Path().size())] = note;
    ASSERT_EQ(notes.size(), 2u);
    for (const auto& [page, error] :
         {std::pair{"v/gone.htm", ENOENT}, std::pair{"scratched/broken.htm", EIO}}) {
        const Note& note = notes[page];
        EXPECT_NE(note.error.find(std::strerror(error)), std::string::npos) << note.error;
        EXPECT_EQ(note.lost, lost.at(page)) << page;
    }
    EXPECT_NE(Catalogue::Child(catalogue.Nodes(), "z-after"), nullptr) << "the parent goes on";
    EXPECT_TRUE(SameTree(expected, package.Path(), true));
}

TEST_F(HostilePackage, FolderRenamedDuringTheScanEndsItsListingQuietly) {
    package.MakeFolder("r");
    package.Write("r/trigger.htm", "<title>Trigger</title>");
    package.Write("r/page.htm", "<title>Page</title>");
    package.Write("r/other.htm", "<title>Other</title>");
    package.MakeFolder("r/sub");
    package.Write("r/sub/x.jpg", "x");
    package.Write("r/pic.jpg", "x");
    package.Write("z-after.jpg", "x");
    const Snapshot before = TakeSnapshot(package.Path());
    const auto afterTrigger = ListedAfter(package.Path() + "r", "trigger.htm");

    const Catalogue catalogue =
        Scan({{"COURSEVIEW_FAULT_RENAME",
               "trigger.htm:" + package.Path() + "r:" + package.Path() + "r-moved"}});
    ASSERT_TRUE(catalogue.document);
    const JsonValue* r = Catalogue::Child(catalogue.Nodes(), "r");
    ASSERT_NE(r, nullptr);
    const auto children = Catalogue::Captions(*r->Find("children"));
    EXPECT_EQ(std::count(children.begin(), children.end(), " Trigger"), 1)
        << "read before the move";
    // After the move no page of the folder can be opened: the first one
    // after the trigger ends the listing, with an error and nothing else.
    const auto firstPage =
        std::find_if(afterTrigger.begin(), afterTrigger.end(),
                     [](const std::string& name) { return name.ends_with(".htm"); });
    bool ended = false;
    for (const auto& note : catalogue.Notes()) {
        EXPECT_EQ(note.reason, "error ended the folder's listing") << note.path;
        EXPECT_NE(note.error.find(std::strerror(ENOENT)), std::string::npos) << note.error;
        if (firstPage != afterTrigger.end() && note.path == package.Path() + "r/" + *firstPage) {
            ended = true;
            EXPECT_EQ(note.lost, std::vector<std::string>(firstPage + 1, afterTrigger.end()));
        }
    }
    EXPECT_EQ(ended, firstPage != afterTrigger.end());
    EXPECT_NE(Catalogue::Child(catalogue.Nodes(), "z-after"), nullptr) << "the parent goes on";
    ASSERT_EQ(::rename((package.Path() + "r-moved").c_str(), (package.Path() + "r").c_str()), 0);
    EXPECT_TRUE(SameTree(before, package.Path(), true));
}
