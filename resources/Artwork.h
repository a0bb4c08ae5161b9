#pragma once
// The viewer's pictures as complete BMP files (8 bits per pixel, 256-colour palette),
// embedded in the program so that a course folder needs nothing but the executable.

#include <span>

namespace courseview {

// The window's skin, 799 x 598: a pink card on green. The window takes the shape
// of the card's pink, read at column 100 of row 3.
std::span<const unsigned char> SkinBitmapFile();

// The close button, 23 x 23: a red cross while the mouse is over it.
std::span<const unsigned char> CloseButtonHoveredBitmapFile();

// The close button, 23 x 23: a grey cross otherwise.
std::span<const unsigned char> CloseButtonRestingBitmapFile();

}  // namespace courseview
