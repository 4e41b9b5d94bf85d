#pragma once

#include <memory>

#include "terrain/HeightField.h"

// One height sample per pixel of a greyscale JPEG: `spacing` metres apart,
// `heightScale` metres per grey level. Returns null, after a one-line message
// on standard error, when the file cannot be opened or is not greyscale.
// libjpeg's own fatal errors end the process with status 1.
std::unique_ptr<HeightField> loadHeightFieldJpeg(const char* path, double spacing, double heightScale);
