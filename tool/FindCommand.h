#pragma once
// courseview-catalogue --find "WORDS" [--json] FOLDER: the search the viewer
// runs, with the same code, on the catalogue it builds from FOLDER.
//
// Prints the results as they come: one line each, "[ENTRY] CAPTION — HITS —
// LINE" (line breaks and tabs in a caption shown as \n, \r, \t), or with
// --json one array of {"entry": INT, "caption": STRING, "hits": INT, "line":
// STRING}, in the same order; `entry` indexes the catalogue's paths. Exits 0
// when something was found, 1 when nothing was, 2 for bad usage.

namespace courseview {

// Whether the arguments ask for a search (hold "--find").
bool IsFindCommand(int argc, char** argv);

int RunFindCommand(int argc, char** argv);

}  // namespace courseview
