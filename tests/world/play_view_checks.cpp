#include "tests/world/play_view_checks.h"

#include <cmath>

#include <GL/gl.h>

#include "shell/application.h"
#include "shell/display_mode.h"
#include "shell/graphics.h"
#include "shell/images.h"
#include "tests/support/gui_test_support.h"

namespace {

struct Texel
{
    double r, g, b, a;
};

Texel At(const RGBABitmap* picture, int x, int y)
{
    x = ((x % picture->width) + picture->width) % picture->width;
    y = ((y % picture->height) + picture->height) % picture->height;
    const uint8_t* p = picture->data + y * picture->pitch + x * 4;
    return Texel{double(p[0]), double(p[1]), double(p[2]), double(p[3])};
}

// GL_LINEAR with GL_REPEAT: the four texels round the sample point.
Texel Sample(const RGBABitmap* picture, double s, double t)
{
    double x = s * picture->width - 0.5, y = t * picture->height - 0.5;
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    double fx = x - x0, fy = y - y0;
    Texel p00 = At(picture, x0, y0), p10 = At(picture, x0 + 1, y0);
    Texel p01 = At(picture, x0, y0 + 1), p11 = At(picture, x0 + 1, y0 + 1);
    auto mix = [&](double Texel::*c) {
        return (p00.*c * (1 - fx) + p10.*c * fx) * (1 - fy) + (p01.*c * (1 - fx) + p11.*c * fx) * fy;
    };
    return Texel{mix(&Texel::r), mix(&Texel::g), mix(&Texel::b), mix(&Texel::a)};
}

Affine Invert(const Affine& m)
{
    double det = m.a * m.d - m.b * m.c;
    Affine inv{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
    inv.e = -(inv.a * m.e + inv.b * m.f);
    inv.f = -(inv.c * m.e + inv.d * m.f);
    return inv;
}

} // namespace

void OpenGameWindow()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    // Any mode matches: the display stays as it is and the stage fills it.
    g_displayIndex = 0;
    g_gameMode = VideoMode{0, 0, 0, 0};
    g_displayChosen = true;
    InitGraphics();
    PumpEvents(100);
}

void CloseGameWindow()
{
    TearDownGame();
    PumpEvents(50);
}

Affine Translation(double x, double y)
{
    return Affine{1, 0, 0, 1, x, y};
}

Affine Rotation(double degrees)
{
    double r = degrees * M_PI / 180;
    return Affine{std::cos(r), -std::sin(r), std::sin(r), std::cos(r), 0, 0};
}

Affine Scaling(double s)
{
    return Affine{s, 0, 0, s, 0, 0};
}

Affine Compose(const Affine& o, const Affine& i)
{
    return Affine{o.a * i.a + o.b * i.c, o.a * i.b + o.b * i.d, o.c * i.a + o.d * i.c,
                  o.c * i.b + o.d * i.d, o.a * i.e + o.b * i.f + o.e, o.c * i.e + o.d * i.f + o.f};
}

Affine ScreenLayer(int width, int height)
{
    return Compose(Translation(width / 2, height / 2), Scaling(height * 5 / 3));
}

Affine WorldLayer(int width, int height, double angle, double distance)
{
    return Compose(ScreenLayer(width, height),
                   Compose(Translation(0, -distance), Rotation(angle * 360)));
}

Colour ExpectedPixel(const std::vector<Quad>& quads, int x, int y, int stageHeight, Colour below)
{
    Colour out = below;
    double px = x + 0.5, py = stageHeight - 1 - y + 0.5;
    for (const Quad& q : quads) {
        if (!q.picture)
            continue;
        Affine back = Invert(q.place);
        double lx = back.a * px + back.b * py + back.e;
        double ly = back.c * px + back.d * py + back.f;
        if (lx < std::fmin(q.x0, q.x1) || lx >= std::fmax(q.x0, q.x1)
            || ly < std::fmin(q.y0, q.y1) || ly >= std::fmax(q.y0, q.y1))
            continue;
        double s = q.u + (lx - q.x0) / (q.x1 - q.x0) * q.du;
        double t = q.v + (ly - q.y0) / (q.y1 - q.y0) * q.dv;
        Texel texel = Sample(q.picture, s, t);
        double alpha = (q.hasAlpha ? texel.a / 255 : 1) * q.tint[3];
        out.r = texel.r * q.tint[0] * alpha + out.r * (1 - alpha);
        out.g = texel.g * q.tint[1] * alpha + out.g * (1 - alpha);
        out.b = texel.b * q.tint[2] * alpha + out.b * (1 - alpha);
    }
    return out;
}

double MatchingShare(const wxImage& shot, const std::vector<Quad>& quads, const wxRect& area,
                     int tolerance, Colour below)
{
    int matching = 0, total = 0;
    wxRect inside = area.Intersect(wxRect(0, 0, shot.GetWidth(), shot.GetHeight()));
    for (int y = inside.y; y < inside.y + inside.height; ++y)
        for (int x = inside.x; x < inside.x + inside.width; ++x) {
            Colour want = ExpectedPixel(quads, x, y, shot.GetHeight(), below);
            ++total;
            matching += std::fabs(shot.GetRed(x, y) - want.r) <= tolerance
                && std::fabs(shot.GetGreen(x, y) - want.g) <= tolerance
                && std::fabs(shot.GetBlue(x, y) - want.b) <= tolerance;
        }
    return total ? double(matching) / total : 0;
}

wxImage CaptureStage()
{
    glFinish();
    return CaptureScreen(wxRect(g_graphics->stageX, g_graphics->stageY, g_graphics->width,
                                g_graphics->height));
}
