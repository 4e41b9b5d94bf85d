#include "app/WindowGeometry.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

namespace {
constexpr unsigned int kLargestSide = 32767; // (unit: pixels) the X protocol's limit
}

const char* geometryOption(int argc, char** argv) {
    const char* value = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-geometry") == 0) {
            value = argv[i + 1];
        }
    }
    return value;
}

WindowGeometry applyGeometry(const char* geometry, const WindowGeometry& fallback, int screenWidth, int screenHeight) {
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    // XParseGeometry writes only the parts the string names.
    const int given = XParseGeometry(geometry, &x, &y, &width, &height);

    WindowGeometry result = fallback;
    const bool sizeGiven = (given & WidthValue) != 0 && (given & HeightValue) != 0;
    if (sizeGiven && width > 0 && height > 0 && width <= kLargestSide && height <= kLargestSide) {
        result.width = static_cast<int>(width);
        result.height = static_cast<int>(height);
    }
    if ((given & XValue) != 0 && (given & YValue) != 0) {
        result.x = (given & XNegative) != 0 ? screenWidth - result.width + x : x;
        result.y = (given & YNegative) != 0 ? screenHeight - result.height + y : y;
    }
    return result;
}
