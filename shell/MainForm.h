#pragma once
// TForm1: the viewer's one window. The skin with the catalogue tree on the
// left, the browser on the right, the close button, the status label and the
// developer button; its handlers stay short and hand the work to the core.

#include <wx/frame.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CatalogueTree.h"
#include "PumpThrottle.h"
#include "WrapperPage.h"

class wxButton;
class wxStaticText;
class wxTreeCtrl;

namespace courseview {

class Catalogue;
class CatalogueRecorder;
class CourseBrowser;
class PictureControl;
class SearchCatalogue;
class SearchField;
class SkinPanel;
class TreeAdapter;
class WindowSearch;
struct ExtensionTables;

// The folders the window works with.
struct FormPlaces {
    std::string courseFolder;                    // ends in "/": the catalogue is built from it
    std::vector<WrapperPagePlace> wrapperPages;  // where the wrapper page may go, in order
    std::string markerFolder;   // ends in "/": where the developer marker is looked for
    std::string developerRoot;  // what the developer button rebuilds from

    // The course laid out around the program, as an author does: its folder
    // is listed, holds temp.htm and the marker; the user's folders
    // (UserPageFolders) take the page when it cannot.
    static FormPlaces InProgramFolder(const std::string& programFolder,
                                      const std::vector<std::string>& userFolders,
                                      const std::string& developerRoot);
    // The running program's: its own folder as above, or the course a person
    // named (absolute, ending in "/"), which is only read: the page then goes
    // to the user's folders.
    static FormPlaces ForRunningProgram(const std::optional<std::string>& namedCourse = {});
};

inline constexpr char WindowCaption[] = "Zuzuva Vuzerarezora Vodazevu";

// What the status label says while the catalogue is built: at start, and
// after the developer button.
inline constexpr std::u16string_view LoadingStatusText = u"Закгузка...";
inline constexpr std::u16string_view IndexingStatusText =
    u"Идёт индексация файлов. Пожалуйста подождите.";

class TForm1 : public wxFrame, private ScanHost {
public:
    explicit TForm1(const FormPlaces& places = FormPlaces::ForRunningProgram());
    ~TForm1() override;

    // Shows the window at its designed place and size, and makes it active.
    void ShowAtDesignedPlace();

    // The controls, bottom of the z-order first; the window owns them.
    PictureControl* btnOff;
    SkinPanel* Image1;
    PictureControl* BtnOn;
    wxStaticText* Label1;
    wxButton* Button2;
    wxTreeCtrl* TV;
    CourseBrowser* WB;
    SearchField* SearchBox;  // on the skin's top bar, hidden until Ctrl+F

    void FormCreate();
    void FormActivate(wxActivateEvent& event);
    void FormDestroy();

    // Opens the selected catalogue entry.
    void TVClick();
    // Writes temp.htm around `fragment` and shows it.
    void ShowHtml(std::u16string_view fragment);
    // Opens the entry as a click on its node does, the node selected and the
    // branches above it opened first.
    void OpenEntry(std::int32_t entryIndex);

    void Image1MouseDown(wxMouseEvent& event);
    void BtnOnMouseMove(wxMouseEvent& event);
    void FormMouseMove(wxMouseEvent& event);
    void btnOffClick();
    void Button2Click(wxCommandEvent& event);

    // Full paths of the openable entries; empty until the lists exist.
    const std::vector<std::string>& PagePaths() const;
    bool Scanning() const;
    bool FirstActivationDone() const { return !m_firstActivation; }
    bool CloseButtonHovered() const { return m_closeButtonHovered; }
    std::filesystem::path WrapperPagePath() const;
    const FormPlaces& Places() const { return m_places; }
    // The catalogue as a search reads it; nothing without the lists.
    std::shared_ptr<const SearchCatalogue> CatalogueForSearch();
    const WindowSearch& Search() const { return *m_search; }

private:
    void CreateControls();
    void BindHandlers();

    void SetStatusText(std::u16string_view text) override;
    void LetPendingMessagesRun() override;

    void Rebuild(const std::string& folder, std::u16string_view statusText);
    void Navigate(const std::filesystem::path& path);
    void SetCloseButtonHovered(bool hovered);
    void OnClose(wxCloseEvent& event);
    void TVLeftDown(wxMouseEvent& event);
    void TVLeftDoubleClick(wxMouseEvent& event);
    void TVLeftUp(wxMouseEvent& event);
    void TVMouseMove(wxMouseEvent& event);

    const FormPlaces m_places;
    std::unique_ptr<WrapperPageWriter> m_wrapperPage;
    std::unique_ptr<TreeAdapter> m_tree;
    std::unique_ptr<CatalogueRecorder> m_recorder;  // the tree as searches read it
    std::unique_ptr<ExtensionTables>
        m_tables;  // the lists: made by FormCreate, freed by FormDestroy
    std::unique_ptr<Catalogue> m_catalogue;
    bool m_firstActivation = true;
    bool m_endRequested = false;
    PumpThrottle m_pumpThrottle;
    bool m_treePressed = false;
    bool m_closeButtonHovered = false;
    std::unique_ptr<WindowSearch> m_search;
};

}  // namespace courseview
