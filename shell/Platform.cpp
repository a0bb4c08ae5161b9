#include "Platform.h"

#include <fontconfig/fontconfig.h>
#include <gdk/gdk.h>

namespace courseview {

void PreferX11Backend() { gdk_set_allowed_backends("x11"); }

void RegisterWindowFonts() {
    // fonts-wine keeps its faces out of fontconfig's search path; adding the
    // file to the application's own font set is enough for Pango to find it.
    static const FcChar8* const Faces[] = {
        reinterpret_cast<const FcChar8*>("/usr/share/wine/fonts/tahoma.ttf"),
        reinterpret_cast<const FcChar8*>("/usr/share/wine/fonts/tahomabd.ttf"),
    };
    for (const FcChar8* face : Faces) FcConfigAppFontAddFile(nullptr, face);
}

}  // namespace courseview
