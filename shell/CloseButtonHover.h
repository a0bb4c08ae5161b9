#pragma once
// When the close button shows its red cross. The tests are kept exactly as the
// window has always done them, quirks included: a coordinate above 255 never
// passes, and over the window the red cross shows only in a small square near
// the top-left corner, one button size in from each edge.

namespace courseview {

// a <= v <= b, and v <= 255.
bool InCoordinateRange(int v, int a, int b);

// For a move over either close-button picture, in the picture's coordinates.
bool HoveredOverButton(int x, int y, int buttonWidth, int buttonHeight);

// For a move over the window or its skin, in window coordinates.
bool HoveredOverWindow(int x, int y, int buttonWidth, int buttonHeight);

}  // namespace courseview
