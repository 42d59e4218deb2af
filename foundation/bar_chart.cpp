#include "foundation/bar_chart.h"

#include <algorithm>
#include <cmath>

#include <wx/brush.h>
#include <wx/dcclient.h>
#include <wx/pen.h>

#include "foundation/text_fitting.h"

namespace {

const int kBrushCount = 4;

// Made on the first paint, kept until the program ends.
const wxBrush* ChartBrush(uint32_t index)
{
    static const wxBrush brushes[kBrushCount] = {
        *wxBLUE_BRUSH, *wxGREEN_BRUSH, wxBrush(wxColour(255, 255, 50)), *wxRED_BRUSH};
    return index < kBrushCount ? &brushes[index] : nullptr;
}

// Where x lies between lo and hi, 0 to 1. Halves keep hi - lo finite for
// values near the largest doubles; NaN (only from a NaN level) counts as 0.
double FractionInRange(double x, double lo, double hi)
{
    double f = (x / 2 - lo / 2) / (hi / 2 - lo / 2);
    if (!(f >= 0.0))
        return 0.0;
    return std::min(f, 1.0);
}

// Offset from the top of the plot: hi on row 1, lo on row ph.
int RowOf(double fraction, int ph)
{
    return static_cast<int>(ph - fraction * (ph - 1));
}

void FillRect(wxDC& dc, uint32_t colour, int x, int y, int width, int height)
{
    const wxBrush* brush = ChartBrush(colour);
    if (!brush)
        return; // an unknown band colour paints nothing
    dc.SetBrush(*brush);
    dc.DrawRectangle(x, y, width, height);
}

} // namespace

wxBEGIN_EVENT_TABLE(CBarChartWindow, wxWindow)
    EVT_PAINT(CBarChartWindow::OnPaint)
    EVT_ERASE_BACKGROUND(CBarChartWindow::OnEraseBackground)
wxEND_EVENT_TABLE()

CBarChartWindow::CBarChartWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                 const wxSize& size, long style)
    : wxWindow(parent, id, pos, size, style, "barChart")
{
}

void CBarChartWindow::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    wxSize size = GetSize();
    Draw(dc, size.x, size.y);
}

void CBarChartWindow::OnEraseBackground(wxEraseEvent& event)
{
    event.Skip();
}

void CBarChartWindow::Draw(wxDC& dc, int w, int h) const
{
    double lo = 0.0, hi = 0.0;
    for (double v : values) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (lo == hi)
        hi = lo + 1;

    int t = h / 10;
    SetFontForPixelHeight(dc, (3 * t) / 4);
    wxCoord tw, th;
    dc.GetTextExtent(title, &tw, &th);
    dc.DrawText(title, (w - tw) / 2, (t - th) / 2);

    // The pen stays black: every bar and band gets a black outline.
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(0, t, w, h - t);

    int m = std::max(4, static_cast<int>(0.05 * std::min(h - t, w)));
    int pw = w - 2 * m;
    int ph = (h - t) - 2 * m;
    // No bars, or no room for any: the frame and the title are the chart.
    if (values.empty() || pw < 1 || ph < 1)
        return;
    double bw = (pw - 1) / static_cast<double>(values.size());

    int levelRow[4];
    for (int k = 0; k < 4; ++k)
        levelRow[k] = RowOf(FractionInRange(levels[k], lo, hi), ph);
    int zeroRow = RowOf(FractionInRange(0.0, lo, hi), ph);

    for (size_t i = 0; i < values.size(); ++i) {
        double v = values[i];
        if (!std::isfinite(v))
            continue;
        int x0 = static_cast<int>(i * bw);
        int x1 = static_cast<int>((i + 1) * bw);
        int valueRow = RowOf(FractionInRange(v, lo, hi), ph);
        int top = std::min(zeroRow, valueRow);
        int bottom = std::max(zeroRow, valueRow);
        int x = m + x0, width = x1 - x0 + 1;
        FillRect(dc, bandColours[0], x, t + m + top, width, bottom - top + 1);
        for (int j = 0; j < 3; ++j) {
            int a = std::max(levelRow[3 - j], top);
            int b = std::min(bottom, levelRow[2 - j]);
            if (a < b)
                FillRect(dc, bandColours[j], x, t + m + a, width, b - a + 1);
        }
    }
}
