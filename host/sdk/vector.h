// Vector (three floats, world units) and Vector2 (two ints, pixels): the SDK's value types.
#pragma once

#include <cmath>

struct Vector {
    float X = 0.0f;  // world units
    float Y = 0.0f;  // world units
    float Z = 0.0f;  // world units

    constexpr Vector() = default;
    constexpr Vector(float x, float y, float z) : X(x), Y(y), Z(z) {}

    Vector operator+(const Vector& o) const { return {X + o.X, Y + o.Y, Z + o.Z}; }
    Vector operator-(const Vector& o) const { return {X - o.X, Y - o.Y, Z - o.Z}; }
    Vector operator*(float s) const { return {X * s, Y * s, Z * s}; }
    float magnitude() const { return std::sqrt(X * X + Y * Y + Z * Z); }
    bool operator==(const Vector&) const = default;
};

struct Vector2 {
    int X = 0;  // pixels
    int Y = 0;  // pixels
    bool operator==(const Vector2&) const = default;
};
