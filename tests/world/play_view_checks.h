// What the play screen should show, worked out on the CPU from the pictures
// and the play view's geometry, to compare with what the X server shows.
// Also opens the game window on the test display.
#pragma once

#include <cstdint>
#include <vector>

#include <wx/image.h>

struct CBubbleWorld;
struct RGBABitmap;

// Opens the game window over the whole test display, in its current mode.
void OpenGameWindow();
void CloseGameWindow();

// x' = a x + b y + e, y' = c x + d y + f
struct Affine
{
    double a, b, c, d, e, f;
};

Affine Translation(double x, double y);
Affine Rotation(double degrees);
Affine Scaling(double s);
// First `inner`, then `outer`.
Affine Compose(const Affine& outer, const Affine& inner);

// World units to stage pixels (y up): the screen layer of the play view.
Affine ScreenLayer(int width, int height);
// The world layer: turned by the dropper's angle, pushed down by its distance.
Affine WorldLayer(int width, int height, double angle, double distance);

// One textured quad as the game draws it: the picture's texels over the
// rectangle, filtered linearly and repeated, tinted, blended by alpha.
struct Quad
{
    const RGBABitmap* picture;
    bool hasAlpha;
    Affine place; // the quad's own coordinates to stage pixels
    double x0, y0, x1, y1;
    double du, dv, u, v;
    double tint[4];
};

struct Colour
{
    double r, g, b;
};

// The stage pixel (column x, row y from the top) after drawing the quads in
// order over `below`.
Colour ExpectedPixel(const std::vector<Quad>& quads, int x, int y, int stageHeight,
                     Colour below = {0, 0, 0});

// The share of the rectangle's pixels on the shot within `tolerance` of what the quads
// give, each channel on 0..255.
double MatchingShare(const wxImage& shot, const std::vector<Quad>& quads, const wxRect& area,
                     int tolerance = 4, Colour below = {0, 0, 0});

// The stage as the X server shows it now.
wxImage CaptureStage();
