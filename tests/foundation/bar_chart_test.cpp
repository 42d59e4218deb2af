#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <limits>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

#include "foundation/bar_chart.h"

void PrintTo(const wxColour& colour, std::ostream* out)
{
    *out << "(" << int(colour.Red()) << ", " << int(colour.Green()) << ", " << int(colour.Blue()) << ")";
}

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const wxColour kGrey(128, 128, 128); // the canvas before the chart paints
const wxColour kWhite(255, 255, 255);
const wxColour kBlack(0, 0, 0);
const wxColour kBlue(0, 0, 255);
const wxColour kGreen(0, 255, 0);
const wxColour kYellow(255, 255, 50);
const wxColour kRed(255, 0, 0);

struct ChartTest : testing::Test
{
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "chart", wxDefaultPosition, wxSize(1, 1));
    CBarChartWindow* chart = new CBarChartWindow(frame, wxID_ANY);
    wxImage picture;

    ~ChartTest() override { frame->Destroy(); }

    void Paint(int w, int h)
    {
        wxBitmap bitmap(w, h, 24);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(wxBrush(kGrey));
            dc.Clear();
            chart->Draw(dc, w, h);
        }
        picture = bitmap.ConvertToImage();
        if (const char* keep = std::getenv("SKYLUME_KEEP_CHART"))
            picture.SaveFile(keep, wxBITMAP_TYPE_BMP);
    }

    wxColour At(int x, int y) const
    {
        return wxColour(picture.GetRed(x, y), picture.GetGreen(x, y), picture.GetBlue(x, y));
    }

    // Counts the pixels of one colour inside a rectangle (ends included).
    int CountIn(const wxColour& colour, int x0, int y0, int x1, int y1) const
    {
        int count = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                count += At(x, y) == colour;
        return count;
    }

    // Pixels of text, which is smoothed: dark but not always black.
    int DarkIn(int x0, int y0, int x1, int y1) const
    {
        int count = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                count += picture.GetRed(x, y) < 80 && picture.GetGreen(x, y) < 80;
        return count;
    }

    // A 200 x 110 chart: title band 11 high, margin 4, plot 192 x 91 from (4, 15);
    // over the range -1 .. 2 the zero line is row 61, 1 is row 31, 2 row 1.
    void BandedChart()
    {
        chart->title = "Scores";
        chart->values = {1.0, 2.0, kNaN, -1.0};
        double levels[4] = {0.5, 1.0, 1.5, 2.5};
        std::copy(levels, levels + 4, chart->levels);
        chart->bandColours[0] = ChartGreen;
        chart->bandColours[1] = ChartYellow;
        chart->bandColours[2] = ChartRed;
    }
};

} // namespace

TEST_F(ChartTest, BarsRiseAndHangFromTheZeroLineInTheirBands)
{
    BandedChart();
    Paint(200, 110);
    // The frame: black outline round white, below the title band.
    EXPECT_EQ(At(0, 60), kBlack);
    EXPECT_EQ(At(199, 60), kBlack);
    EXPECT_EQ(At(100, 11), kBlack);
    EXPECT_EQ(At(100, 109), kBlack);
    EXPECT_EQ(At(2, 60), kWhite);

    // Bar 0 (value 1, x 4..51): red between levels 0.5 and 1, green below.
    EXPECT_EQ(At(4, 70), kBlack);
    EXPECT_EQ(At(27, 53), kRed);
    EXPECT_EQ(At(27, 70), kGreen);
    EXPECT_EQ(At(27, 76), kBlack); // its foot on the zero line
    EXPECT_EQ(At(27, 40), kWhite); // nothing above its value

    // Bar 1 (value 2, x 51..99): the four bands from the top down.
    EXPECT_EQ(At(75, 16), kBlack);
    EXPECT_EQ(At(75, 22), kGreen);  // above levels[2], band colour 0
    EXPECT_EQ(At(75, 38), kYellow); // levels[1] .. levels[2], band colour 1
    EXPECT_EQ(At(75, 53), kRed);    // levels[0] .. levels[1], band colour 2
    EXPECT_EQ(At(75, 69), kGreen);  // below levels[0], band colour 0 again
    EXPECT_GE(CountIn(kBlack, 75, 16, 75, 76), 5); // top, foot and band edges outlined

    // Bar 2 is NaN: a gap; bar 3 (value -1, x 147..195) hangs down.
    EXPECT_EQ(CountIn(kWhite, 101, 16, 145, 105), 45 * 90);
    EXPECT_EQ(At(171, 50), kWhite);
    EXPECT_EQ(At(171, 76), kBlack);
    EXPECT_EQ(At(171, 90), kGreen);
    EXPECT_EQ(At(171, 106), kBlack);
    EXPECT_EQ(At(197, 90), kWhite); // right of the last bar

    // The title is drawn in its band, which is otherwise untouched.
    EXPECT_GT(DarkIn(0, 0, 199, 10), 20);
    EXPECT_EQ(CountIn(kGrey, 0, 0, 60, 10), 61 * 11); // centred: the left is clear
    EXPECT_EQ(CountIn(kGrey, 140, 0, 199, 10), 60 * 11);
}

TEST_F(ChartTest, NoFiniteValueDrawsOnlyTheFrameAndTheTitle)
{
    chart->title = "Nothing yet";
    for (auto values : {std::vector<double>{}, std::vector<double>{kNaN, kInf, -kInf}}) {
        chart->values = values;
        Paint(200, 110);
        EXPECT_EQ(CountIn(kWhite, 1, 12, 198, 108), 198 * 97);
        EXPECT_EQ(At(0, 60), kBlack);
        EXPECT_GT(DarkIn(0, 0, 199, 10), 20);
    }
}

TEST_F(ChartTest, AllZeroValuesGiveOneRowBarsOnTheBottomRow)
{
    chart->values = {0.0, 0.0};
    Paint(200, 110);
    // Range 0 .. 1: zero is row 91, y 106; each bar is a one-pixel outline.
    EXPECT_EQ(At(50, 106), kBlack);
    EXPECT_EQ(At(150, 106), kBlack);
    EXPECT_EQ(At(50, 105), kWhite);
    EXPECT_EQ(At(50, 107), kWhite);
}

TEST_F(ChartTest, AnUnknownBandColourPaintsNothing)
{
    BandedChart();
    chart->values = {2.0, -1.0};
    chart->bandColours[0] = 7; // the bar itself and the top band
    Paint(200, 110);
    EXPECT_EQ(At(50, 22), kWhite);
    EXPECT_EQ(At(50, 38), kYellow);
    EXPECT_EQ(At(50, 53), kRed);
    EXPECT_EQ(At(50, 69), kWhite);
    EXPECT_EQ(At(150, 90), kWhite);
}

TEST_F(ChartTest, LevelsOutsideTheRangeOrNaNSitAtTheNearestEdge)
{
    BandedChart();
    chart->values = {2.0, -1.0};
    chart->levels[0] = kNaN; // taken as the bottom of the plot
    Paint(200, 110);
    EXPECT_EQ(At(50, 38), kYellow);
    EXPECT_EQ(At(50, 53), kRed);
    EXPECT_EQ(At(50, 69), kRed); // red now reaches down to the zero line

    chart->levels[0] = -5.0; // below the range: the bottom row as well
    chart->levels[3] = 1e300;
    Paint(200, 110);
    EXPECT_EQ(At(50, 69), kRed);
    EXPECT_EQ(At(150, 90), kRed); // the hanging bar lies above levels[0] too
}

TEST_F(ChartTest, TheLargestValuesStillScale)
{
    chart->values = {1e308, -1e308};
    Paint(200, 110);
    // Zero sits half-way: row 46; the bars reach rows 1 and 91.
    EXPECT_EQ(At(50, 17), kBlue);
    EXPECT_EQ(At(50, 65), kWhite);
    EXPECT_EQ(At(150, 30), kWhite);
    EXPECT_EQ(At(150, 104), kBlue);
}

TEST_F(ChartTest, WindowsTooSmallForAPlotKeepTheFrame)
{
    chart->values = {1.0, 1.0, 1.0};
    for (wxSize size : {wxSize(6, 30), wxSize(30, 6), wxSize(8, 8)}) {
        Paint(size.x, size.y);
        EXPECT_EQ(CountIn(kBlue, 0, 0, size.x - 1, size.y - 1), 0) << size.x << "x" << size.y;
    }
    chart->values = {1.0};
    Paint(12, 40); // the margin stays 4: a plot of 4 x 28
    EXPECT_EQ(At(6, 30), kBlue);
    EXPECT_EQ(At(2, 30), kWhite);
}
