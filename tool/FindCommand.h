#pragma once
// courseview-catalogue --find "WORDS" [--json] FOLDER: the search the viewer
// runs, with the same code, on the catalogue it builds from FOLDER.
//
// Prints the results as they come: one line each, "[ENTRY] CAPTION — HITS —
// LINE" (line breaks and tabs in a caption shown as \n, \r, \t), or with
// --json one array of {"entry": INT, "caption": STRING, "hits": INT, "line":
// STRING}, in the same order; `entry` indexes the catalogue's paths.

#include <string>

namespace courseview {

// `words` as given on the command line, in the locale's codeset. Returns
// ExitDone when something was found, ExitProblemsFound when nothing was,
// ExitTrouble when the output could not be written.
int PrintFindings(const std::string& folder, const std::string& words, bool json);

}  // namespace courseview
