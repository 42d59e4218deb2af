#include "foundation/shared_constants.h"

#include <cmath>
#include <limits>

namespace {

// The angle as the runtime sees it: (2 pi * degrees) / 360 in double precision.
double Radians(double degrees)
{
    return (2.0 * M_PI * degrees) / 360.0;
}

} // namespace

const double g_reciprocal[20] = {
    std::numeric_limits<double>::infinity(),
    1.0 / 1, 1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 5, 1.0 / 6, 1.0 / 7, 1.0 / 8, 1.0 / 9,
    1.0 / 10, 1.0 / 11, 1.0 / 12, 1.0 / 13, 1.0 / 14, 1.0 / 15, 1.0 / 16, 1.0 / 17,
    1.0 / 18, 1.0 / 19,
};

const double g_cos0 = std::cos(Radians(0));
const double g_cos30 = std::cos(Radians(30));
const double g_cos45 = std::cos(Radians(45));
const double g_cos60 = std::cos(Radians(60));
const double g_cos90 = std::cos(Radians(90));
const double g_sin0 = std::sin(Radians(0));
const double g_sin30 = std::sin(Radians(30));
const double g_sin45 = std::sin(Radians(45));
const double g_sin60 = std::sin(Radians(60));
const double g_sin90 = std::sin(Radians(90));
