#include "MainForm.h"

#include <unistd.h>
#include <wx/button.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>

#include "Artwork.h"
#include "CatalogueRecorder.h"
#include "CloseButtonHover.h"
#include "CodePage.h"
#include "CourseBrowser.h"
#include "CourseRequest.h"
#include "ErrorBox.h"
#include "FolderScan.h"
#include "MessagePump.h"
#include "NodeActivation.h"
#include "PictureControl.h"
#include "ProgramFolder.h"
#include "PumpThrottle.h"
#include "SearchField.h"
#include "SkinPanel.h"
#include "TreeAdapter.h"
#include "Utf.h"
#include "WindowKeys.h"
#include "WindowMove.h"
#include "WindowSearch.h"
#include "WindowShape.h"
#include "WrapperPage.h"

namespace courseview {

namespace {

const wxPoint DesignedPosition(274, 100);
const wxSize DesignedSize(SkinControlWidth, SkinControlHeight);

// Character heights in pixels, as the window was laid out; Debian's
// metric-compatible faces stand in for Tahoma and Arial.
wxFont FontOfHeight(const char* face, int pixels) {
    return wxFont(wxFontInfo(wxSize(0, pixels)).FaceName(face));
}

// The tree's background, 16756432 in the blue-green-red order it was given in.
const wxColour TreeBackground(0xD0, 0xAE, 0xFF);

}  // namespace

FormPlaces FormPlaces::InProgramFolder(const std::string& programFolder,
                                       const std::vector<std::string>& userFolders,
                                       const std::string& developerRoot) {
    return FormPlaces{programFolder, WrapperPagePlaces(programFolder, userFolders, ::getpid()),
                      programFolder, developerRoot};
}

FormPlaces FormPlaces::ForRunningProgram(const std::optional<std::string>& namedCourse) {
    FormPlaces places = InProgramFolder(ProgramFolder(), UserPageFolders(), DeveloperRoot());
    if (namedCourse) {
        // The folder is the student's, often a disc or a share: nothing goes into it.
        places.courseFolder = *namedCourse;
        places.wrapperPages = WrapperPagePlaces("", UserPageFolders(), ::getpid());
    }
    return places;
}

TForm1::TForm1(const FormPlaces& places)
    : wxFrame(nullptr, wxID_ANY, WindowCaption, DesignedPosition, DesignedSize,
              wxBORDER_NONE | wxCLIP_CHILDREN),
      m_places(places),
      m_wrapperPage(std::make_unique<WrapperPageWriter>(places.wrapperPages)) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    SetFont(FontOfHeight("Tahoma", 11));
    CreateControls();
    m_tree = std::make_unique<TreeAdapter>(*TV);
    m_recorder = std::make_unique<CatalogueRecorder>(*m_tree);
    m_search = std::make_unique<WindowSearch>(*this);
    BindHandlers();
    // An error here is shown and the remaining steps are skipped; the window opens all the same.
    ShowErrorsOf([this] { FormCreate(); });
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::CreateControls() {
    // Created in z-order; the skin is everyone's parent so it is everyone's background.
    Image1 = new SkinPanel(this, BitmapFromBmpFile(SkinBitmapFile()));
    btnOff = new PictureControl(Image1, wxPoint(756, 24),
                                BitmapFromBmpFile(CloseButtonHoveredBitmapFile()));
    btnOff->Hide();  // beneath the skin until the pointer comes
    BtnOn = new PictureControl(Image1, wxPoint(756, 24),
                               BitmapFromBmpFile(CloseButtonRestingBitmapFile()));

    Label1 = new wxStaticText(Image1, wxID_ANY, wxString(), wxPoint(415, 552));
    Label1->SetFont(FontOfHeight("Arial", 13));
    Label1->SetForegroundColour(*wxRED);

    Button2 = new wxButton(Image1, wxID_ANY, "Button2", wxPoint(488, 33), wxSize(75, 25));
    Button2->SetFont(GetFont());

    TV = new wxTreeCtrl(
        Image1, wxID_ANY, wxPoint(18, 64), wxSize(231, 473),
        wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE | wxBORDER_NONE);
    TV->SetBackgroundColour(TreeBackground);
    TV->SetForegroundColour(*wxRED);
    TV->SetFont(FontOfHeight("Arial", 11));
    TV->SetIndent(19);

    WB = new CourseBrowser(Image1, wxPoint(255, 64), wxSize(515, 473),
                           BrowserCharsetName(SystemCodePage().Name()),
                           [this](const std::string& message) {
                               // Not from inside the engine's callback: a modal box there
                               // would nest its loop.
                               CallAfter([message] { ShowErrorBox(message); });
                           });
    WB->SetCourseFolder(m_places.courseFolder);

    // Above the browser's left edge, clear of the developer button at 488, 33.
    SearchBox = new SearchField(Image1, wxPoint(255, 30), wxSize(220, 24));
    SearchBox->Hide();
}

void TForm1::BindHandlers() {
    Bind(wxEVT_ACTIVATE, &TForm1::FormActivate, this);
    Bind(wxEVT_CLOSE_WINDOW, &TForm1::OnClose, this);
    Bind(wxEVT_MOTION, &TForm1::FormMouseMove, this);

    // Every press drags, the second press of a double click included.
    Image1->Bind(wxEVT_LEFT_DOWN, &TForm1::Image1MouseDown, this);
    Image1->Bind(wxEVT_LEFT_DCLICK, &TForm1::Image1MouseDown, this);
    Image1->Bind(wxEVT_RIGHT_DOWN, &TForm1::Image1MouseDown, this);
    Image1->Bind(wxEVT_RIGHT_DCLICK, &TForm1::Image1MouseDown, this);
    Image1->Bind(wxEVT_MIDDLE_DOWN, &TForm1::Image1MouseDown, this);
    Image1->Bind(wxEVT_MIDDLE_DCLICK, &TForm1::Image1MouseDown, this);
    Image1->Bind(wxEVT_MOTION, &TForm1::FormMouseMove, this);

    btnOff->Bind(wxEVT_MOTION, &TForm1::BtnOnMouseMove, this);
    BtnOn->Bind(wxEVT_MOTION, &TForm1::BtnOnMouseMove, this);
    btnOff->BindClick([this] { btnOffClick(); });  // the grey cross has no click

    Button2->Bind(wxEVT_BUTTON, &TForm1::Button2Click, this);

    // A click, not a selection change: keyboard moves and double clicks open nothing.
    TV->Bind(wxEVT_LEFT_DOWN, &TForm1::TVLeftDown, this);
    TV->Bind(wxEVT_LEFT_DCLICK, &TForm1::TVLeftDoubleClick, this);
    TV->Bind(wxEVT_LEFT_UP, &TForm1::TVLeftUp, this);
    TV->Bind(wxEVT_MOTION, &TForm1::TVMouseMove, this);

    // Wherever the focus is, the page in the browser included.
    TakeWindowKeys(*this, [this](WindowKey key) {
        switch (key) {
            case WindowKey::Find:
                m_search->ShowField();
                return true;
            case WindowKey::FindNext:
            case WindowKey::FindPrevious:
                return m_search->StepThroughPage(key == WindowKey::FindPrevious);
            case WindowKey::Escape:
                return m_search->HideField();
        }
        return false;
    });
}

void TForm1::ShowAtDesignedPlace() {
    Show();
    // wxGTK can leave a borderless frame at 1 x 1 until its size is applied once it is shown.
    SetSize(wxRect(DesignedPosition, DesignedSize));
    Raise();
}

void TForm1::FormCreate() {
    ShapeWindowToSkin(*this);
    m_tables = std::make_unique<ExtensionTables>(MakeExtensionTables());
    ScanHost& host = *this;
    m_catalogue = std::make_unique<Catalogue>(*m_recorder, host, *m_tables);
    if (!FileExists(m_places.markerFolder + std::string(DeveloperMarkerName))) Button2->Hide();
    // The browser stays shown from the start, as the one place content appears: its blank
    // wrapper page has the skin's pink, so the area blends in until an entry is opened.
    ShowHtml(u"");
}

void TForm1::FormActivate(wxActivateEvent& event) {
    event.Skip();
    if (!event.GetActive() || !m_firstActivation) return;
    m_firstActivation = false;
    // Without the lists (a failed start) there is nothing to build the catalogue into.
    if (m_catalogue == nullptr) return;
    Rebuild(m_places.courseFolder, LoadingStatusText);
}

void TForm1::FormDestroy() {
    // Its searches read the lists: they end first.
    m_search.reset();
    // A page may loop forever: its web process ends with the window.
    WB->EndWebProcess();
    m_catalogue.reset();
    m_tables.reset();
    m_wrapperPage->RemovePages();
}

void TForm1::Button2Click(wxCommandEvent&) {
    if (m_catalogue == nullptr) return;
    Rebuild(m_places.developerRoot, IndexingStatusText);
}

void TForm1::Rebuild(const std::string& folder, std::u16string_view statusText) {
    // The browser reaches the folder the catalogue is built from, and nothing else.
    WB->SetCourseFolder(folder);
    // Entry indices start again: what was found no longer points at anything.
    m_search->Forget();
    m_catalogue->LoadContents(folder, statusText);
    // A close asked for during the scan takes effect now that it has run to its end.
    if (m_endRequested && !Scanning()) Close(true);
}

void TForm1::TVClick() {
    if (m_catalogue == nullptr) return;
    const Activation activation =
        ActivateEntry(m_tree->SelectedEntryIndex(), m_catalogue->PagePaths, *m_tables);
    switch (activation.kind) {
        case Activation::Kind::Nothing:
            return;
        case Activation::Kind::ShowPicture: {
            const wxSize area = WB->GetSize();
            ShowHtml(PictureFragment(activation.path, area.GetWidth(), area.GetHeight(),
                                     SystemCodePage()));
            return;
        }
        case Activation::Kind::Navigate:
            Navigate(activation.path);
            return;
    }
}

void TForm1::ShowHtml(std::u16string_view fragment) {
    WB->OpenWrapperPage(m_wrapperPage->Write(fragment));
}

void TForm1::OpenEntry(std::int32_t entryIndex) {
    const NodeHandle node = m_recorder->ShownNodeOf(entryIndex);
    if (node == nullptr) return;
    const wxTreeItemId item(node);
    TV->EnsureVisible(item);
    TV->SelectItem(item);
    TVClick();
}

std::shared_ptr<const SearchCatalogue> TForm1::CatalogueForSearch() {
    if (m_catalogue == nullptr) return nullptr;
    return m_recorder->Snapshot(m_catalogue->PagePaths, *m_tables);
}

void TForm1::Navigate(const std::filesystem::path& path) { WB->Open(path); }

void TForm1::Image1MouseDown(wxMouseEvent& event) {
    StartWindowMove(*this, event);
    Refresh();
}

void TForm1::BtnOnMouseMove(wxMouseEvent& event) {
    const wxSize button = btnOff->GetSize();
    SetCloseButtonHovered(
        HoveredOverButton(event.GetX(), event.GetY(), button.GetWidth(), button.GetHeight()));
}

void TForm1::FormMouseMove(wxMouseEvent& event) {
    const wxSize button = btnOff->GetSize();
    SetCloseButtonHovered(
        HoveredOverWindow(event.GetX(), event.GetY(), button.GetWidth(), button.GetHeight()));
}

void TForm1::SetCloseButtonHovered(bool hovered) {
    PictureControl* shown = hovered ? btnOff : BtnOn;
    PictureControl* hidden = hovered ? BtnOn : btnOff;
    shown->Show();
    hidden->Hide();
    shown->Raise();
    m_closeButtonHovered = hovered;
}

void TForm1::btnOffClick() { Close(); }

void TForm1::OnClose(wxCloseEvent& event) {
    // Destroying the window under a running scan would pull the tree from under it:
    // the request only marks the program as ending, and the scan's end closes it.
    if (Scanning() && event.CanVeto()) {
        m_endRequested = true;
        event.Veto();
        return;
    }
    Destroy();
}

void TForm1::TVLeftDown(wxMouseEvent& event) {
    m_treePressed = true;
    event.Skip();
}

void TForm1::TVLeftDoubleClick(wxMouseEvent& event) {
    m_treePressed = false;
    event.Skip();
}

void TForm1::TVLeftUp(wxMouseEvent& event) {
    event.Skip();
    const bool click = m_treePressed && TV->GetClientRect().Contains(event.GetPosition());
    m_treePressed = false;
    // The tree has handled the press already: the item under it is the selection now.
    if (click) TVClick();
}

void TForm1::TVMouseMove(wxMouseEvent& event) {
    event.Skip();
    // A caption cut off by the pane's right edge is shown whole as a tool tip.
    int flags = 0;
    const wxTreeItemId item = TV->HitTest(event.GetPosition(), flags);
    wxRect label;
    wxString tip;
    if (item.IsOk() && TV->GetBoundingRect(item, label, true) &&
        label.GetRight() >= TV->GetClientSize().GetWidth()) {
        tip = TV->GetItemText(item);
    }
    if (TV->GetToolTipText() == tip) return;
    if (tip.empty()) {
        TV->UnsetToolTip();
    } else {
        TV->SetToolTip(tip);
    }
}

const std::vector<std::string>& TForm1::PagePaths() const {
    static const std::vector<std::string> None;
    return m_catalogue != nullptr ? m_catalogue->PagePaths : None;
}

bool TForm1::Scanning() const { return m_catalogue != nullptr && m_catalogue->Scanning(); }

std::filesystem::path TForm1::WrapperPagePath() const { return m_wrapperPage->PagePath(); }

void TForm1::SetStatusText(std::u16string_view text) {
    Label1->SetLabel(wxString::FromUTF8(Utf16ToUtf8(text)));
    // Drawn straight on the skin: what the old text covered must be repainted too.
    Image1->RefreshRect(wxRect(Label1->GetPosition(), wxSize(SkinControlWidth - 415, 20)));
}

void TForm1::LetPendingMessagesRun() {
    // Every few milliseconds is as alive as after every entry, at a fraction of the cost.
    if (m_pumpThrottle.Due()) PumpPendingMessages();
}

}  // namespace courseview
