// A window that paints a titled bar chart of a series of numbers, the bars
// banded in colours by four level values. It only paints: no input, no timers.
#pragma once

#include <cstdint>
#include <vector>

#include <wx/window.h>

class wxDC;

// Indices into the chart brushes of bandColours.
enum
{
    ChartBlue = 0,
    ChartGreen = 1,
    ChartYellow = 2,
    ChartRed = 3,
};

class CBarChartWindow : public wxWindow
{
public:
    CBarChartWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize, long style = 0);

    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    // Paints the chart into a w x h area of any device context.
    void Draw(wxDC& dc, int w, int h) const;

    wxString title;
    // One bar each, left to right; a value that is not finite leaves a gap.
    std::vector<double> values;
    // Ascending, levels[0] the lowest. The bar between levels[2] and
    // levels[3] takes band colour 0, between [1] and [2] colour 1, between
    // [0] and [1] colour 2; the rest of the bar keeps colour 0.
    double levels[4] = {0, 0, 0, 0};
    uint32_t bandColours[3] = {ChartBlue, ChartBlue, ChartBlue};

private:
    wxDECLARE_EVENT_TABLE();
};
