#pragma once

#include <memory>

#include "terrain/HeightField.h"

// One height sample per pixel of a greyscale JPEG: `spacing` metres apart,
// `heightScale` metres per grey level. Returns null, after a one-line message
// on standard error, when the file cannot be opened (or is a directory), is
// not greyscale, or is too large to hold in memory. libjpeg's own fatal
// errors end the process with status 1; its warnings are printed and the
// image is decoded as far as it goes.
std::unique_ptr<HeightField> loadHeightFieldJpeg(const char* path, double spacing, double heightScale);
