#pragma once
// The window's outline, cut from its skin.

#include <wx/region.h>

#include <vector>

#include "BmpImage.h"
#include "SkinRegion.h"

class wxNonOwnedWindow;

namespace courseview {

// The skin's picture control covers the whole client area.
inline constexpr int SkinControlWidth = 800;
inline constexpr int SkinControlHeight = 600;

// The shape of an 800 x 600 work picture holding `skin` at 0, 0: what the
// skin leaves uncovered keeps a fill that is never the key colour, and the key
// is the work picture's colour at column 100, row 3.
std::vector<RowSpan> ComposedSkinShape(const BmpImage& skin);

wxRegion RegionFromSpans(const std::vector<RowSpan>& spans);

// Cuts `window` to the shipped skin's shape. A skin whose top row lacks the
// key colour gives no shape, and the window keeps its full rectangle.
void ShapeWindowToSkin(wxNonOwnedWindow& window);

}  // namespace courseview
