#include "world/circle_timing.h"

#include <cmath>
#include <limits>

double TimeToReachCircle(double dx, double dy, double px, double py, double radiusSq)
{
    const double never = std::numeric_limits<double>::infinity();
    double a = dx * dx + dy * dy;
    double c = dy * px - py * dx;
    double disc = a * radiusSq - c * c;
    if (disc <= 0) // includes equal velocities (a = 0)
        return never;
    double b = dx * px + dy * py;
    double s = std::sqrt(disc);
    double t1 = -(b + s) / a;
    double t2 = (s - b) / a;
    double t = t1 < t2 ? t1 : t2;
    return t >= 0 ? t : never;
}
