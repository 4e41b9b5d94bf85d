#pragma once

// A double rounded to single precision, handed over so that the compiler
// cannot take the rounding back.
//
// A plain static_cast<float> is not enough where the float is widened to a
// double again: GCC 12.2's SLP vectoriser (-O2 and above) folds the pair of
// conversions away when several such values are stored side by side as
// doubles, `double a[3] = {float(v.x), float(v.y), float(v.z)}` keeping the
// unrounded v.x and v.y. Going through a float array first does not help.
// Every result that depends on a single-precision rounding and is used in
// double precision afterwards takes its value from here.
//
// The empty asm statement claims to read and rewrite the float in memory:
// the compiler must store the rounded float and use what it reads back, so
// the rounding has happened by construction, in every build. It costs a
// store and a load.
inline float roundedToFloat(double value) {
    float rounded = static_cast<float>(value);
    __asm__("" : "+m"(rounded));
    return rounded;
}
