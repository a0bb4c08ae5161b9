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

// Writes wrapper pages and removes them at exit.
class WrapperPageWriter {
public:
    // `programFolder` ends in "/". `fallbackFolder` (may be empty: none) takes
    // the page when the program folder cannot, as on a disc or a read-only share.
    WrapperPageWriter(std::string programFolder, std::string fallbackFolder,
                      const CodePage& codePage = SystemCodePage());

    // The page's place in the program folder: program folder + "temp.htm".
    std::filesystem::path PagePath() const;

    // Writes the page around `fragment` and returns where it now is. The page
    // is written beside its final name and renamed over it, so the browser
    // never sees half a page. Throws FileError ("Cannot create file ...",
    // naming the program folder's page) when no place can take it.
    std::filesystem::path Write(std::u16string_view fragment);

    // Deletes the pages this writer may have left; quietly, as the program
    // ends all the same.
    void RemovePages() const;

private:
    std::string FallbackPagePath() const;

    std::string m_programFolder;
    std::string m_fallbackFolder;
    const CodePage& m_codePage;
};

// The fallback folder for wrapper pages: $XDG_RUNTIME_DIR, else the temp folder.
std::string UserRuntimeFolder();

}  // namespace courseview
