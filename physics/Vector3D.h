#pragma once

#include <cmath>

// World conventions, stated once for the whole system: right-handed axes in
// metres with z up (gravity acts along -z, terrain height is z over x and y),
// SI units throughout, double precision for physics and terrain.
//
// The order of every floating-point operation below is deliberate: trajectories
// are compared bit for bit, so sums run in the order written and `/` differs
// from `/=` (reciprocal-then-multiply versus a true division).
struct Vector3D {
    double x;
    double y;
    double z;

    constexpr Vector3D() : x(0.0), y(0.0), z(0.0) {}
    constexpr Vector3D(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    // The vector from point `from` to point `to`.
    constexpr Vector3D(const Vector3D& from, const Vector3D& to)
        : x(to.x - from.x), y(to.y - from.y), z(to.z - from.z) {}

    Vector3D& operator+=(const Vector3D& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    Vector3D& operator-=(const Vector3D& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    Vector3D operator*=(double s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    // A true division per component, rounded once.
    Vector3D operator/=(double s) {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }

    Vector3D operator+(const Vector3D& v) const { return {x + v.x, y + v.y, z + v.z}; }
    Vector3D operator-(const Vector3D& v) const { return {x - v.x, y - v.y, z - v.z}; }
    Vector3D operator*(double s) const { return {x * s, y * s, z * s}; }
    // Multiplies by the rounded reciprocal: not bit-identical to `/=`.
    Vector3D operator/(double s) const {
        const double r = 1.0 / s;
        return {x * r, y * r, z * r};
    }
    bool operator==(const Vector3D& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const Vector3D& v) const { return !(*this == v); }

    Vector3D cross(const Vector3D& v) const {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    // Summed z first: the order matters for bit-identical results.
    double dot(const Vector3D& v) const { return z * v.z + y * v.y + x * v.x; }
    double squaredLength() const { return x * x + y * y + z * z; }
    double length() const { return std::sqrt(x * x + y * y + z * z); }
    double distanceTo(const Vector3D& v) const {
        const double dx = x - v.x;
        const double dy = y - v.y;
        const double dz = z - v.z;
        return std::sqrt(dx * dx + dy * dy + dz * dz);
    }

    // Scales to unit length. The zero vector has no direction and is left as
    // it is rather than turned into NaNs (a collapsed triangle's normal).
    void normalize() {
        const double squared = x * x + y * y + z * z;
        if (squared == 0.0) {
            return;
        }
        const double r = 1.0 / std::sqrt(squared);
        x *= r;
        y *= r;
        z *= r;
    }
};
