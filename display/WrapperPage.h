#pragma once
// The wrapper page: a generated four-line page that centres a picture on the
// skin's pink and stretches it to the browser area. With nothing inside it is
// the blank page shown at start.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace courseview {

// The page's four lines; the fragment is the third, unchanged.
std::vector<std::u16string> WrapperPageLines(std::u16string_view fragment);

// A path as it may stand inside a double-quoted src attribute of a page
// written in `codePage`: "&", quote, "<", ">" as entities; "%", "#", "?", "\",
// control characters, and bytes the code page cannot carry percent-encoded.
// Every other character stays as it is, so an ordinary path reads unchanged.
std::u16string PathForSourceAttribute(const std::filesystem::path& path, const CodePage& codePage);

// "<img src="PATH" height="H" width="W">": the picture stretched to the
// browser area less a 12-pixel margin.
std::u16string PictureFragment(const std::filesystem::path& picture, int browserWidth,
                               int browserHeight, const CodePage& codePage);

// One place a wrapper page may be written to.
struct WrapperPagePlace {
    std::string page;  // the page's full path
    // The course's own "temp.htm": one viewer at a time writes it, the one
    // holding a lock on its folder. Elsewhere the name is the viewer's own.
    bool shared = false;
};

// Where a viewer's wrapper page may go, in the order to try them:
// `courseFolder` + "temp.htm" (shared) when it is given, then
// "courseview-<pid>-temp.htm" in each of `userFolders`, leaving out empty and
// relative ones and any named before.
std::vector<WrapperPagePlace> WrapperPagePlaces(std::string_view courseFolder,
                                                const std::vector<std::string>& userFolders,
                                                int pid);

// The folders of this user's own files, as the environment names them:
// $XDG_RUNTIME_DIR, $TMPDIR (each when set), then "/tmp". Never fails; a
// folder that is missing is found out when a page cannot be written there.
std::vector<std::string> UserPageFolders();

// Writes the wrapper page to the first place that takes it, and removes what
// it wrote when it is done.
class WrapperPageWriter {
public:
    explicit WrapperPageWriter(std::vector<WrapperPagePlace> places,
                               const CodePage& codePage = SystemCodePage());
    ~WrapperPageWriter();
    WrapperPageWriter(const WrapperPageWriter&) = delete;
    WrapperPageWriter& operator=(const WrapperPageWriter&) = delete;

    // Where the page is now: the place last written, else the first place.
    std::filesystem::path PagePath() const;

    // Writes the page around `fragment` to the first place that takes it,
    // each tried only when the one before cannot, and returns where it now
    // is; a page it left in another place is removed. The page is written
    // beside its final name and renamed over it, so the browser never sees
    // half a page. Throws FileError ("Cannot create file ...", naming every
    // place tried and why) when none takes it.
    std::filesystem::path Write(std::u16string_view fragment);

    // Deletes the pages this writer wrote, and no other, and gives up its
    // lock; quietly, as the program ends all the same.
    void RemovePages();

private:
    struct PlaceState;
    int WriteTo(PlaceState& place, const std::string& bytes);

    std::vector<PlaceState> m_places;
    std::size_t m_current;  // the place last written; m_places.size() for none
    const CodePage& m_codePage;
};

// Removes pages that viewers which are gone left in `folder`
// ("courseview-<pid>-temp.htm" that no running viewer holds).
void RemoveAbandonedPages(const std::string& folder);

}  // namespace courseview
