// courseview-bench-window: LoadContents into the viewer window's own tree
// control, on a display, with the per-entry message pump on and off, against
// the floor of the same work on the same files. Prints its figures; run it
// under a virtual display (tests/gui/run-on-virtual-display.sh).

#include <unistd.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>

#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "FloorWalk.h"
#include "FolderScan.h"
#include "MainForm.h"
#include "Measurement.h"
#include "MessagePump.h"
#include "Options.h"
#include "Platform.h"
#include "PumpThrottle.h"
#include "Report.h"
#include "TreeAdapter.h"
#include "Utf.h"
#include "ViewerApp.h"

using namespace courseview;
using namespace courseview::bench;

namespace {

// How the window's messages run during a scan.
enum class Pump { AfterEveryEntry, Throttled, None };

// The window's side of a scan, as the viewer's own: the status label, and
// the pending messages run between entries.
class WindowHost final : public ScanHost {
public:
    explicit WindowHost(TForm1& form) : m_form(form) {}
    Pump pump = Pump::AfterEveryEntry;
    void SetStatusText(std::u16string_view text) override {
        m_form.Label1->SetLabel(wxString::FromUTF8(Utf16ToUtf8(text)));
    }
    void LetPendingMessagesRun() override {
        if (pump == Pump::AfterEveryEntry || (pump == Pump::Throttled && m_throttle.Due())) {
            PumpPendingMessages();
        }
    }

private:
    TForm1& m_form;
    PumpThrottle m_throttle;
};

// Runs the window's messages until `done` or ten seconds have passed.
bool RunMessagesUntil(const std::function<bool()>& done) {
    const double deadline = NowSeconds() + 10;
    while (!done()) {
        if (NowSeconds() > deadline) return false;
        PumpPendingMessages();
        ::usleep(2000);
    }
    return true;
}

void MeasureWindow(const Options& options, TForm1& form, const std::string& size) {
    const PackageShape shape = ShapeOf(options, size);
    const std::string folder = PackageFolder(options, shape);
    EnsurePackage(folder, shape);
    const ExtensionTables tables = MakeExtensionTables();
    TreeAdapter tree(*form.TV);
    WindowHost host(form);
    Catalogue catalogue(tree, host, tables);

    // A scan ends when its last entry is in, and the window has caught up
    // with it: the thaw's layout and painting count too.
    auto scan = [&](Pump pump) {
        tree.RemoveAllNodes();
        PumpPendingMessages();
        host.pump = pump;
        const double start = NowSeconds();
        catalogue.LoadContents(folder, LoadingStatusText);
        PumpPendingMessages();
        return NowSeconds() - start;
    };
    const FloorCounts counts = FloorWalk(folder);
    scan(Pump::AfterEveryEntry);  // warms the page cache, the allocator and the control
    std::vector<double> floorTimes;
    std::vector<double> everyEntryTimes;
    std::vector<double> throttledTimes;
    std::vector<double> unpumpedTimes;
    for (int run = 0; run < options.runs; ++run) {
        floorTimes.push_back(MedianSeconds(1, [&] { FloorWalk(folder); }));
        everyEntryTimes.push_back(scan(Pump::AfterEveryEntry));
        throttledTimes.push_back(scan(Pump::Throttled));
        unpumpedTimes.push_back(scan(Pump::None));
    }
    const double floor = Median(floorTimes);
    const double everyEntry = Median(everyEntryTimes);
    const double throttled = Median(throttledTimes);
    const double unpumped = Median(unpumpedTimes);

    std::cout << "\n## " << shape.name << " package: " << folder << "\n\n"
              << counts.listed << " entries listed by the scan, " << form.TV->GetCount()
              << " items in the tree\n\n";
    TableHead();
    TimingRow("floor, warm cache", floor, counts.listed, floor, "");
    TimingRow("window's tree, messages run after every entry", everyEntry, counts.listed, floor,
              "≤ 2.5×");
    TimingRow("window's tree, messages run at most every " +
                  std::to_string(PumpThrottle::DefaultInterval.count()) + " ms",
              throttled, counts.listed, floor, "≤ 2.5×");
    TimingRow("window's tree, no messages run", unpumped, counts.listed, floor, "");
    Row("what running messages after every entry adds",
        Fixed((everyEntry / unpumped - 1) * 100, 1) + " %", "", "", "< 15 %");
    Row("what running them at most every " + std::to_string(PumpThrottle::DefaultInterval.count()) +
            " ms adds",
        Fixed((throttled / unpumped - 1) * 100, 1) + " %", "", "", "< 15 %");
    tree.RemoveAllNodes();
    PumpPendingMessages();
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const auto options = ParseOptions(argc, argv, {"medium", "large"});
    if (!options) {
        std::cerr << UsageText("courseview-bench-window") << "\n";
        return 2;
    }
    PreferX11Backend();
    RegisterWindowFonts();
    wxApp::SetInstance(new ErrorReportingApp());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) {
        std::cerr << "courseview-bench-window: cannot start the GUI: is there an X display?\n";
        return 1;
    }
    int status = 0;
    try {
        // The window over an empty program folder of its own, activated and
        // with its own (empty) catalogue built, as the viewer stands at start.
        const std::string programFolder = options->work + "/window-program/";
        std::filesystem::create_directories(programFolder);
        auto* form =
            new TForm1(FormPlaces::InProgramFolder(programFolder, {}, programFolder + "none"));
        form->ShowAtDesignedPlace();
        if (!RunMessagesUntil([&] { return form->FirstActivationDone() && !form->Scanning(); })) {
            throw std::runtime_error("the window never became active");
        }
        std::cout << "# courseview-bench-window\n\n"
                  << "Machine: " << MachineDescription(options->work) << "; medians of "
                  << options->runs << " warm runs, each kind in turn\n";
        for (const auto& size : options->sizes) MeasureWindow(*options, *form, size);
        form->Destroy();
        PumpPendingMessages();
    } catch (const std::exception& error) {
        std::cerr << "courseview-bench-window: " << error.what() << "\n";
        status = 1;
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return status;
}
