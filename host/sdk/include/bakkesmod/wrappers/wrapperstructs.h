// The SDK's value types: Vector (three floats, world units), Vector2 (two ints, pixels) and
// LinearColor (red, green, blue, alpha, each 0..255).
#pragma once

#include <cmath>

struct Vector {
    float X;  // world units
    float Y;  // world units
    float Z;  // world units

    Vector(float x, float y, float z) : X(x), Y(y), Z(z) {}
    Vector() : X(0), Y(0), Z(0) {}

    Vector operator+(Vector v2) { return Vector(X + v2.X, Y + v2.Y, Z + v2.Z); }
    Vector operator-(Vector v2) { return Vector(X - v2.X, Y - v2.Y, Z - v2.Z); }
    Vector operator*(float scale) { return Vector(X * scale, Y * scale, Z * scale); }
    float magnitude() { return std::sqrt(X * X + Y * Y + Z * Z); }
};

struct Vector2 {
    int X;  // pixels
    int Y;  // pixels
};

struct LinearColor {
    float R;
    float G;
    float B;
    float A;
};
