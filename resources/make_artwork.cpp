// Draws the viewer's pictures and writes each one twice from the same bytes: as a
// BMP file a person can open, and into a C++ source that puts it inside the program.
// The skin is also written as the desktop's icon, icon-SIZE.png, at 48, 128 and 256 px.
//
//   make_artwork <output folder>
//
// Only the standard library is used, so the pictures can be rebuilt on any machine
// that can build the viewer.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "IconPicture.h"
#include "IndexedPicture.h"

using namespace courseview::artwork;

namespace {

// ---------------------------------------------------------------------------
// Small geometry helpers, in pixel units; pixel (x, y) covers [x, x+1) x [y, y+1).

struct Point {
    double x;
    double y;
};

double DistanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance from the line through a and b, positive on the side where `reference` lies.
double SideDistance(Point p, Point a, Point b, Point reference) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    auto across = [&](Point q) { return (q.x - a.x) * dy - (q.y - a.y) * dx; };
    const double distance = across(p) / std::hypot(dx, dy);
    return across(reference) < 0 ? -distance : distance;
}

Point Reflect(Point p, Point a, Point b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    return {2 * (a.x + t * dx) - p.x, 2 * (a.y + t * dy) - p.y};
}

// A minimum without a kink where the two curves meet.
double SmoothMinimum(double a, double b, double softness) {
    const double h = std::clamp(0.5 + 0.5 * (b - a) / softness, 0.0, 1.0);
    return b + (a - b) * h - softness * h * (1 - h);
}

// How much of a pixel a line of the given half width covers when the line's middle
// passes `distance` from the pixel's centre. A box-filter estimate, which is plenty
// for lines a pixel or two wide.
double StrokeCoverage(double distance, double halfWidth) {
    return std::clamp(halfWidth + 0.5 - distance, 0.0, 1.0);
}

// ---------------------------------------------------------------------------
// The skin: a pink card with a light-blue line drawn just inside its edge and the
// bottom-right corner folded over, on the green that the window shape leaves out.
// The window's outline is read back from the card's colour one row at a time, so
// the edges below are what the user sees as the window's border.

constexpr int SkinWidth = 799;
constexpr int SkinHeight = 598;

const Colour Green{0x7E, 0xFF, 0x00};
const Colour EdgeGreen{0x5C, 0xB8, 0x00};
const Colour Pink{0xFF, 0xAE, 0xD0};
const Colour FrameBlue{0xA3, 0xDA, 0xFF};
const Colour FlapPink{0xF6, 0x9C, 0xC2};
const Colour FlapShadePink{0xEC, 0x8E, 0xB6};
const Colour CreasePink{0xD9, 0x76, 0xA2};

// Palette slots of the skin. Blends run from the first colour towards the second.
constexpr int GreenIndex = 0;
constexpr int EdgeGreenIndex = 1;
constexpr int PinkIndex = 2;
constexpr int FrameBlueIndex = 3;
constexpr int FrameBlendIndex = 4;  // pink -> frame blue
constexpr int FrameBlendCount = 3;
constexpr int FlapIndex = FrameBlendIndex + FrameBlendCount;  // flap pink -> its shade
constexpr int FlapShades = 6;
constexpr int CreaseIndex = FlapIndex + FlapShades;  // flap pink -> crease
constexpr int CreaseBlendCount = 4;
constexpr int SkinPaletteSize = CreaseIndex + CreaseBlendCount;

std::vector<Colour> SkinPalette() {
    std::vector<Colour> palette(SkinPaletteSize);
    palette[GreenIndex] = Green;
    palette[EdgeGreenIndex] = EdgeGreen;
    palette[PinkIndex] = Pink;
    palette[FrameBlueIndex] = FrameBlue;
    for (int i = 0; i < FrameBlendCount; ++i)
        palette[FrameBlendIndex + i] = Blend(Pink, FrameBlue, (i + 1.0) / (FrameBlendCount + 1));
    for (int i = 0; i < FlapShades; ++i)
        palette[FlapIndex + i] = Blend(FlapPink, FlapShadePink, i / (FlapShades - 1.0));
    for (int i = 0; i < CreaseBlendCount; ++i)
        palette[CreaseIndex + i] = Blend(FlapPink, CreasePink, (i + 1.0) / CreaseBlendCount);
    return palette;
}

// The corners below put the window's rows where the viewer has always had them:
// row 0 runs from column 77 to 778, row 3 from 61 to 786, row 24 from 22 to the
// last column and the bottom row from 77 to 721 (SkinRegionTest pins these).
// A pixel is card when its centre is, so each figure is the edge at a row's middle.

// The top-left corner is a squarish quarter ellipse: wide across the top, so the
// caption area keeps its room, and tight down the side.
constexpr double TopCornerEndX = 85.5;   // where the corner leaves the top edge
constexpr double LeftSideX = 5.0;        // the straight left side
constexpr double LeftCornerEndY = 57.0;  // where the corner joins the left side
constexpr double CornerExponent = 1.85;

// The top-right corner, under the close button, is a plain quarter circle.
constexpr double RightCornerRadius = 25.0;

// The fold: the bottom-right corner is turned over along this line.
constexpr Point FoldStart{SkinWidth, 566.0};
constexpr Point FoldEnd{721.0, SkinHeight};
constexpr double FoldSoftness = 10.0;  // rounds the bend where the fold leaves the side

double TopLeftCornerX(double y) {
    if (y >= LeftCornerEndY) return LeftSideX;
    const double across = TopCornerEndX - LeftSideX;
    const double t = (LeftCornerEndY - y) / LeftCornerEndY;
    return TopCornerEndX - across * std::pow(1 - std::pow(t, CornerExponent), 1 / CornerExponent);
}

// The left edge at height y. The bottom-left corner mirrors the top-left one so
// the card stands level.
double LeftEdge(double y) { return TopLeftCornerX(y < SkinHeight / 2.0 ? y : SkinHeight - y); }

double FoldX(double y) {
    return FoldStart.x + (y - FoldStart.y) * (FoldEnd.x - FoldStart.x) / (FoldEnd.y - FoldStart.y);
}

double RightEdge(double y) {
    const double centreX = SkinWidth - RightCornerRadius;
    if (y < RightCornerRadius) {
        const double up = RightCornerRadius - y;
        return centreX + std::sqrt(RightCornerRadius * RightCornerRadius - up * up);
    }
    return SmoothMinimum(SkinWidth, FoldX(y), FoldSoftness);
}

bool InsideCard(double x, double y) {
    return y >= 0 && y <= SkinHeight && x >= LeftEdge(y) && x <= RightEdge(y);
}

// Distance from a point inside the card to its edge, good to about a tenth of a
// pixel, which is all a stroke drawn along the edge needs. Beyond `reach` the
// answer is only known to be at least `reach`.
class EdgeDistance {
public:
    static constexpr int StepsPerPixel = 16;

    explicit EdgeDistance(double reach) : m_reach(reach) {
        const int count = SkinHeight * StepsPerPixel + 1;
        for (int i = 0; i < count; ++i) {
            const double y = static_cast<double>(i) / StepsPerPixel;
            m_left.push_back(LeftEdge(y));
            m_right.push_back(RightEdge(y));
        }
        // Most of the card is far from every edge; these bounds let it skip the search.
        for (int row = 0; row < SkinHeight; ++row) {
            const auto [first, last] = SampleWindow(row + 0.5);
            m_innermostLeft.push_back(*std::max_element(&m_left[first], &m_left[last] + 1));
            m_innermostRight.push_back(*std::min_element(&m_right[first], &m_right[last] + 1));
        }
    }

    double operator()(Point p) const {
        double best = std::min({m_reach, p.y, SkinHeight - p.y});
        const auto row = static_cast<std::size_t>(p.y);
        if (p.x - m_innermostLeft[row] >= best && m_innermostRight[row] - p.x >= best) return best;
        const auto [first, last] = SampleWindow(p.y);
        for (int i = first; i <= last; ++i) {
            const double dy = p.y - static_cast<double>(i) / StepsPerPixel;
            if (std::abs(p.x - m_left[i]) < best)
                best = std::min(best, std::hypot(p.x - m_left[i], dy));
            if (std::abs(m_right[i] - p.x) < best)
                best = std::min(best, std::hypot(m_right[i] - p.x, dy));
        }
        return best;
    }

private:
    std::pair<int, int> SampleWindow(double y) const {
        const int first = std::max(0, static_cast<int>((y - m_reach) * StepsPerPixel));
        const int last = std::min(static_cast<int>(m_left.size()) - 1,
                                  static_cast<int>((y + m_reach) * StepsPerPixel) + 1);
        return {first, last};
    }

    double m_reach;
    std::vector<double> m_left;
    std::vector<double> m_right;
    std::vector<double> m_innermostLeft;
    std::vector<double> m_innermostRight;
};

// A pixel belongs to the card when its centre does; the rest is shaded by how
// much of it the card covers, sampled on a grid.
double CardCoverage(int x, int y) {
    constexpr int Grid = 4;
    int inside = 0;
    for (int j = 0; j < Grid; ++j)
        for (int i = 0; i < Grid; ++i)
            if (InsideCard(x + (i + 0.5) / Grid, y + (j + 0.5) / Grid)) ++inside;
    return static_cast<double>(inside) / (Grid * Grid);
}

std::uint8_t Level(int firstIndex, int count, double amount) {
    const int step = static_cast<int>(std::lround(amount * count));
    return static_cast<std::uint8_t>(firstIndex + std::clamp(step, 1, count) - 1);
}

IndexedPicture DrawSkin() {
    IndexedPicture skin(SkinWidth, SkinHeight, SkinPalette(), GreenIndex);

    // The line sits this far inside the edge: far enough that every row still
    // starts and ends with the card's own colour, which is what the outline is cut by.
    constexpr double FrameInset = 5.5;
    constexpr double FrameHalfWidth = 0.55;
    const EdgeDistance edgeDistance(FrameInset + FrameHalfWidth + 2);

    // The flap is the cut-off corner turned over onto the card. A strip of plain
    // card is left along the fold so the rows there still end in the card's colour.
    const Point flapTip = Reflect({SkinWidth, SkinHeight}, FoldStart, FoldEnd);
    constexpr double FoldMargin = 1.5;
    constexpr double CreaseHalfWidth = 0.6;
    constexpr double ShadingLength = 30.0;

    for (int y = 0; y < SkinHeight; ++y) {
        for (int x = 0; x < SkinWidth; ++x) {
            const Point centre{x + 0.5, y + 0.5};
            std::uint8_t& pixel = skin.At(x, y);
            if (!InsideCard(centre.x, centre.y)) {
                if (CardCoverage(x, y) >= 0.2) pixel = EdgeGreenIndex;
                continue;
            }
            pixel = PinkIndex;

            const double frame =
                StrokeCoverage(std::abs(edgeDistance(centre) - FrameInset), FrameHalfWidth);
            if (frame > 0.9)
                pixel = FrameBlueIndex;
            else if (frame > 0.15)
                pixel = Level(FrameBlendIndex, FrameBlendCount, frame);

            const double fromFold = SideDistance(centre, FoldStart, FoldEnd, flapTip);
            const double insideFlap = std::min(SideDistance(centre, flapTip, FoldStart, FoldEnd),
                                               SideDistance(centre, flapTip, FoldEnd, FoldStart));
            if (fromFold < FoldMargin || insideFlap < -CreaseHalfWidth - 0.5) continue;
            // Darker towards the fold, as if the paper curled away from the light.
            const double shade = std::clamp(1 - (fromFold - FoldMargin) / ShadingLength, 0.0, 1.0);
            const double crease = StrokeCoverage(std::abs(insideFlap), CreaseHalfWidth);
            if (crease > 0.15)
                pixel = Level(CreaseIndex, CreaseBlendCount, crease);
            else if (insideFlap > 0)
                pixel = Level(FlapIndex, FlapShades, shade);
        }
    }
    return skin;
}

// ---------------------------------------------------------------------------
// The close button: a cross on the card's pink, red under the mouse and grey at rest.

constexpr int ButtonSize = 23;

IndexedPicture DrawCloseButton(Colour crossColour) {
    constexpr int Shades = 8;
    std::vector<Colour> palette;
    palette.push_back(Pink);
    for (int i = 1; i <= Shades; ++i)
        palette.push_back(Blend(Pink, crossColour, double(i) / Shades));

    IndexedPicture button(ButtonSize, ButtonSize, std::move(palette), 0);
    constexpr double Near = 6.5;
    constexpr double Far = ButtonSize - Near;
    constexpr double HalfThickness = 1.25;
    for (int y = 0; y < ButtonSize; ++y) {
        for (int x = 0; x < ButtonSize; ++x) {
            const Point centre{x + 0.5, y + 0.5};
            const double distance = std::min(DistanceToSegment(centre, {Near, Near}, {Far, Far}),
                                             DistanceToSegment(centre, {Far, Near}, {Near, Far}));
            const double coverage = StrokeCoverage(distance, HalfThickness);
            button.At(x, y) = static_cast<std::uint8_t>(std::lround(coverage * Shades));
        }
    }
    return button;
}

// ---------------------------------------------------------------------------
// Output

constexpr int IconSizes[] = {48, 128, 256};

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

struct EmbeddedFile {
    std::string function;
    std::vector<unsigned char> bytes;
};

std::string EmbeddingSource(const std::vector<EmbeddedFile>& files) {
    std::string text =
        "// Written by make_artwork; change the drawing there, not here.\n"
        "#include \"Artwork.h\"\n\n"
        "namespace courseview {\n\nnamespace {\n";
    for (std::size_t f = 0; f < files.size(); ++f) {
        text += "\nconstexpr unsigned char Picture" + std::to_string(f) + "[] = {";
        const auto& bytes = files[f].bytes;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            text += i % 24 == 0 ? "\n" : "";
            text += std::to_string(bytes[i]);
            text += ',';
        }
        text += "\n};\n";
    }
    text += "\n}  // namespace\n";
    for (std::size_t f = 0; f < files.size(); ++f) {
        text += "\nstd::span<const unsigned char> " + files[f].function + "() { return Picture" +
                std::to_string(f) + "; }\n";
    }
    text += "\n}  // namespace courseview\n";
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_artwork <output folder>\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);

        const IndexedPicture skin = DrawSkin();
        const std::vector<EmbeddedFile> files = {
            {"SkinBitmapFile", EncodeBmp(skin)},
            {"CloseButtonHoveredBitmapFile", EncodeBmp(DrawCloseButton({0xE0, 0x1B, 0x24}))},
            {"CloseButtonRestingBitmapFile", EncodeBmp(DrawCloseButton({0x8A, 0x8A, 0x8A}))},
        };
        WriteFile(folder / "skin.bmp", files[0].bytes);
        WriteFile(folder / "btnOff.bmp", files[1].bytes);
        WriteFile(folder / "btnOn.bmp", files[2].bytes);
        WriteFile(folder / "artwork_data.cpp", EmbeddingSource(files));
        // The desktop's icon: the card, the green around it left out.
        for (const int size : IconSizes) {
            WriteFile(folder / ("icon-" + std::to_string(size) + ".png"),
                      EncodePng(ScaledIntoSquare(skin, size, {GreenIndex, EdgeGreenIndex})));
        }
    } catch (const std::exception& error) {
        std::cerr << "make_artwork: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
