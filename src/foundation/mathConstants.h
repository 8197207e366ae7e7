#pragma once

// The circle constant, one definition for the kernel and the command-line tool. Header only: the
// tool links the kernel as hosts do and takes nothing else from here.

namespace Vemora {

constexpr double kPi = 3.14159265358979323846;
// One degree in radians.
constexpr double kDegree = kPi / 180.0;

}  // namespace Vemora
