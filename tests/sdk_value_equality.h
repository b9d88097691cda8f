// The SDK's Vector and Vector2 have no comparison of their own: the tests compare world positions and
// canvas positions with these, and print them when a comparison fails.
#pragma once

#include <ostream>

#include "bakkesmod/wrappers/wrapperstructs.h"

inline bool operator==(const Vector2& a, const Vector2& b) { return a.X == b.X && a.Y == b.Y; }
inline void PrintTo(const Vector2& point, std::ostream* out) { *out << "(" << point.X << ", " << point.Y << ")"; }

inline bool operator==(const Vector& a, const Vector& b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; }
inline void PrintTo(const Vector& point, std::ostream* out) {
    *out << "(" << point.X << ", " << point.Y << ", " << point.Z << ")";
}
