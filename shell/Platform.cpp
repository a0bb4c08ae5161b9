#include "Platform.h"

#include <fontconfig/fontconfig.h>
#include <gdk/gdk.h>

#include <string>
#include <string_view>

namespace courseview {

void PreferX11Backend() { gdk_set_allowed_backends("x11"); }

// Where Debian 12's fonts-wine keeps Wine's Tahoma-compatible faces. For another
// distribution, change this to the folder its Wine package puts tahoma.ttf in.
constexpr std::string_view WineFontFolder = "/usr/share/wine/fonts/";

void RegisterWindowFonts() {
    // fonts-wine keeps its faces out of fontconfig's search path; adding the
    // file to the application's own font set is enough for Pango to find it.
    for (const char* face : {"tahoma.ttf", "tahomabd.ttf"}) {
        const std::string file = std::string(WineFontFolder) + face;
        FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()));
    }
}

}  // namespace courseview
