#pragma once
// What a course page may do in the viewer's browser: run its scripts and show
// course files and the web, in this one view, and nothing that reaches past
// the course, opens windows, saves files or leaves anything behind.

typedef struct _WebKitWebView WebKitWebView;

namespace courseview {

// Sets `view`'s engine settings and answers its requests: navigations only to
// addresses a page may go to, new windows shown in the view itself, no
// downloads, printing, file choosers, permissions or full screen, and a
// context menu with only what one window can do.
void ConfinePages(WebKitWebView* view);

}  // namespace courseview
