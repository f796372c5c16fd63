// Pictures as display lists: what a renderer draws, in pixels of a canvas of a given size,
// with the origin at the top left corner and y growing downwards. The core fills the lists;
// the front ends paint them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zefo {

struct Colour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour black{0, 0, 0};
inline constexpr Colour blue{0, 0, 255};
inline constexpr Colour red{255, 0, 0};
inline constexpr Colour green{0, 128, 0};

enum class PenStyle : uint8_t { solid, dashdot, dotted };

struct Pixel {
    int x = 0, y = 0;
    bool operator==(const Pixel&) const = default;
};

struct Polyline {
    std::vector<Pixel> points;
    Colour colour = black;
    PenStyle pen = PenStyle::solid;
};

// A point set by one pixel.
struct Dot {
    Pixel at;
    Colour colour = black;
};

enum class HAlign : uint8_t { left, centre, right };
enum class VAlign : uint8_t { top, middle, bottom };

// A text anchored at a point: the alignment tells which point of the text's box lies there.
struct TextItem {
    Pixel at;
    std::string text;
    HAlign h = HAlign::left;
    VAlign v = VAlign::top;
    Colour colour = black;
    bool opaque = false;   // drawn on a white box that hides the lines under it
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

// What a panel of a picture plots, for scripts and tests: its curves in the plotted
// quantities (x, y) with the pixels drawn (px, clipped to the frame), and for a spot panel
// its radii and scales.
struct PlotCurve {
    std::string label;
    std::vector<double> x, y;
    std::vector<Pixel> px;
};

struct SpotNumbers {
    double rms = 0, geo = 0, airy = 0;    // radii in micrometres (microradians for telescopes)
    double pxpermmx = 0, pxpermmy = 0;    // pixels per mm (per radian for telescopes)
};

struct PlotPanel {
    std::string title, xunit, yunit;
    Rect frame;
    std::vector<PlotCurve> curves;
    bool spot = false;
    SpotNumbers numbers;
};

struct DisplayList {
    int width = 0, height = 0;
    std::vector<Polyline> lines;
    std::vector<Dot> dots;
    std::vector<TextItem> texts;
    std::vector<PlotPanel> panels;   // the plotted numbers (not drawn)

    void line(std::vector<Pixel> points, Colour c = black, PenStyle pen = PenStyle::solid) {
        lines.push_back(Polyline{std::move(points), c, pen});
    }
    void frame(const Rect& r, Colour c = black) {
        line({{r.x, r.y}, {r.x + r.w, r.y}, {r.x + r.w, r.y + r.h}, {r.x, r.y + r.h}, {r.x, r.y}}, c);
    }
    void text(int x, int y, std::string s, HAlign h = HAlign::left, VAlign v = VAlign::top, Colour c = black) {
        texts.push_back(TextItem{{x, y}, std::move(s), h, v, c});
    }
    // A label inside a panel that curves may cross.
    void label(int x, int y, std::string s, HAlign h = HAlign::left, VAlign v = VAlign::top) {
        texts.push_back(TextItem{{x, y}, std::move(s), h, v, black, true});
    }
};

// What the title lines of every picture name: the system, its file and the date.
struct PlotTitle {
    std::string sysname, file, date;
};

// The pieces of a polyline (pixel coordinates, not yet rounded) that lie inside a frame,
// each as rounded pixels; a piece that leaves and enters again becomes two.
std::vector<std::vector<Pixel>> clippolyline(const std::vector<double>& x, const std::vector<double>& y,
                                             const Rect& frame);

// Draws a curve clipped to its panel's frame and records it in the panel: x, y the plotted
// quantities, px and py their pixel positions (not rounded).
void plotcurve(DisplayList& dl, PlotPanel& panel, const std::string& label, const std::vector<double>& x,
               const std::vector<double>& y, const std::vector<double>& px, const std::vector<double>& py,
               Colour c, PenStyle pen = PenStyle::solid);

// Step between the tick values of an axis spanning span: 1, 2 or 5 times a power of ten
// giving about four intervals (0 for an empty span); the text of a tick value at that step.
double tickstep(double span);
std::string ticktext(double v, double step);

// Rounds a pixel coordinate; values that do not fit a pixel (NaN, infinities, far outside
// any canvas) come out as false.
bool topixel(double v, int& out);

}  // namespace zefo
