#include "WindowShape.h"

#include <gtk/gtk.h>
#include <wx/nonownedwnd.h>

#include "Artwork.h"

namespace courseview {

namespace {

// A fresh bitmap starts black; the key colour is the skin's pink, never black.
constexpr std::uint32_t WorkPictureFill = 0x000000;

}  // namespace

std::vector<RowSpan> ComposedSkinShape(const BmpImage& skin) {
    const PixelReader composed = [&skin](int x, int y) -> std::uint32_t {
        return x < skin.Width() && y < skin.Height() ? skin.Pixel(x, y) : WorkPictureFill;
    };
    const std::uint32_t key = composed(KeyColourColumn, KeyColourRow);
    return BitmapToRegion(SkinControlWidth, SkinControlHeight, composed, key);
}

wxRegion RegionFromSpans(const std::vector<RowSpan>& spans) {
    wxRegion region;
    for (const RowSpan& span : spans) region.Union(span.left, span.y, span.right - span.left, 1);
    return region;
}

void ShapeWindowToSkin(wxNonOwnedWindow& window) {
    const std::vector<RowSpan> spans = ComposedSkinShape(BmpImage::Decode(SkinBitmapFile()));
    if (spans.empty()) return;
    // Set on the widget, the shape survives the window being realized later. Outside it
    // the window neither paints nor takes the mouse, so both masks get the same region.
    const wxRegion region = RegionFromSpans(spans);
    auto* widget = static_cast<GtkWidget*>(window.GetHandle());
    gtk_widget_shape_combine_region(widget, region.GetRegion());
    gtk_widget_input_shape_combine_region(widget, region.GetRegion());
}

}  // namespace courseview
