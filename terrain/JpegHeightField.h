#pragma once

#include <memory>
#include <string>

#include "terrain/HeightField.h"

// One height sample per pixel of a greyscale JPEG: `spacing` metres apart,
// `heightScale` metres per grey level. Returns null, after a one-line message
// on standard error, when the file cannot be opened (or is a directory), is
// not greyscale, or is too large to hold in memory. libjpeg's own fatal
// errors end the process with status 1; its warnings are printed and the
// image is decoded as far as it goes.
std::unique_ptr<HeightField> loadHeightFieldJpeg(const char* path, double spacing, double heightScale);

// The same heights for a caller that was given the file by name and must
// refuse it rather than fall back or end: null with a short reason (the
// system's, "not a greyscale image ...", "image too large ...", or libjpeg's
// message for a damaged image, warnings included), printing nothing.
std::unique_ptr<HeightField> readHeightFieldJpeg(const char* path, double spacing, double heightScale,
                                                 std::string& reason);
