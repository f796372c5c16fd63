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

struct DisplayList {
    int width = 0, height = 0;
    std::vector<Polyline> lines;
    std::vector<Dot> dots;
    std::vector<TextItem> texts;

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

// Rounds a pixel coordinate; values that do not fit a pixel (NaN, infinities, far outside
// any canvas) come out as false.
bool topixel(double v, int& out);

}  // namespace zefo
