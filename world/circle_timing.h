// When a moving point first reaches a circle: the contact time of two discs,
// shared by the world and the celebration rain.
#pragma once

// The earliest t >= 0 at which |p + t d| reaches the radius while
// approaching, or +infinity (never, or already inside, or moving apart).
double TimeToReachCircle(double dx, double dy, double px, double py, double radiusSq);
