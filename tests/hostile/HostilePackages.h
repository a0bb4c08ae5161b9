#pragma once
// The hostile packages, each laid out in a folder of its own (a path ending
// in "/"), so that the author's tool and the viewer meet the very same ones.

#include <set>
#include <string>
#include <vector>

namespace courseview::testing {

// 10 000 folders "d", each inside the last, with a page "p.htm" titled
// "Level" in every `pageEvery`-th. Returns how many folders were made.
int LayOutDeepNesting(const std::string& folder, int pageEvery);

// Folders linked into their own subtree ("a/b/c/up" to "a", "a/self^" to
// "a", "a/b/root" to `folder`), twelve folders "web/f0".."web/f11" each
// linking to all twelve, links round in a circle named as pages ("loops/")
// and links to nothing ("dangling/").
void LayOutLinks(const std::string& folder);

// `entries` entries in `folder` itself: a fifth "nN.txt", two fifths pages
// "pN.htm" titled "Page N", two fifths pictures "jN.jpg". Returns the
// captions the viewable ones must get.
std::set<std::string> LayOutCrowd(const std::string& folder, int entries);

// A picture for every byte 0x01..0xFF a name may hold ("b<byte>.jpg"), two
// with runs of all of them, names with quotes, entities, "#", "?", "%",
// control characters, Cyrillic, CJK and emoji, and a page folder "new\nline^"
// holding a page named and titled with markup. Returns the pictures' and
// clips' names.
std::vector<std::string> LayOutNames(const std::string& folder);

// Pages empty, all NUL, with an odd byte after a UTF-16 mark, with lone
// surrogates, a 2 GB sparse page behind a real title and one of nothing but
// a hole, a FIFO named as a clip; and three folders whose pages cannot be
// read: a FIFO ("fifo/pipe.htm"), a device ("device/zero.htm") and a folder
// ("folder-page/_notes.htm"), each beside a picture.
void LayOutOddPages(const std::string& folder);

}  // namespace courseview::testing
