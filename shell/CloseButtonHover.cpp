#include "CloseButtonHover.h"

namespace courseview {

bool InCoordinateRange(int v, int a, int b) { return a <= v && v <= b && v <= 255; }

bool HoveredOverButton(int x, int y, int buttonWidth, int buttonHeight) {
    return InCoordinateRange(x, 0, buttonWidth) && InCoordinateRange(y, 0, buttonHeight);
}

bool HoveredOverWindow(int x, int y, int buttonWidth, int buttonHeight) {
    return InCoordinateRange(x, buttonWidth, 2 * buttonWidth) &&
           InCoordinateRange(y, buttonHeight, 2 * buttonHeight);
}

}  // namespace courseview
