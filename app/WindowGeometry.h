#pragma once

// Where the window opens and how large it is, in screen pixels.
struct WindowGeometry {
    int x = 0;      // (unit: pixels) left edge from the screen's left
    int y = 0;      // (unit: pixels) top edge from the screen's top
    int width = 0;  // (unit: pixels)
    int height = 0; // (unit: pixels)
};

// The value of the last "-geometry" option among the arguments, or null.
const char* geometryOption(int argc, char** argv);

// The X geometry string `geometry` ("800x600+10+20", "320x200", "-0+40", ...)
// applied to `fallback`: the size when it names a positive width and height
// (at most 32767, the largest a window can have), the position when it
// names both offsets; negative offsets count from the right or bottom edge
// of a `screenWidth` x `screenHeight` screen, using the final size. Parts it
// does not name, or names unusably, keep the fallback's values.
WindowGeometry applyGeometry(const char* geometry, const WindowGeometry& fallback, int screenWidth, int screenHeight);
