#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

#include "foundation/text_fitting.h"

namespace {

struct TextTest : testing::Test
{
    wxBitmap bitmap{400, 200, 24};
    wxMemoryDC dc{bitmap};

    int Width(const wxString& text)
    {
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(text, &w, &h);
        return w;
    }

    std::vector<wxString> Wrap(const wxString& text, int maxWidth)
    {
        std::list<wxString> lines;
        WrapText(dc, text, maxWidth, lines);
        return {lines.begin(), lines.end()};
    }
};

} // namespace

TEST_F(TextTest, PixelHeightChoosesAndCachesAPointSize)
{
    wxFont probe = *wxNORMAL_FONT;
    probe.SetPointSize(20);
    dc.SetFont(probe);
    int exact = dc.GetCharHeight();

    SetFontForPixelHeight(dc, exact);
    EXPECT_EQ(dc.GetCharHeight(), exact);
    int searches = FontSearchCount();
    int size = dc.GetFont().GetPointSize();
    dc.SetFont(*wxSMALL_FONT);
    SetFontForPixelHeight(dc, exact);
    EXPECT_EQ(FontSearchCount(), searches); // served from the cache
    EXPECT_EQ(dc.GetFont().GetPointSize(), size);
}

TEST_F(TextTest, HeightsOutsideTheRangeGiveTheEnds)
{
    SetFontForPixelHeight(dc, 1);
    EXPECT_EQ(dc.GetFont().GetPointSize(), 6);
    SetFontForPixelHeight(dc, 5000);
    EXPECT_EQ(dc.GetFont().GetPointSize(), 74);
    // Between sizes: the largest size whose height is still below.
    SetFontForPixelHeight(dc, 31);
    EXPECT_LE(dc.GetCharHeight(), 31);
}

TEST_F(TextTest, LineInABoxShrinksOnlyWhenTooWide)
{
    const wxString text = "Completed";
    SetFontForPixelHeight(dc, 24);
    int cachedSize = dc.GetFont().GetPointSize();
    int tw = Width(text);

    EXPECT_EQ(DrawTextInBox(dc, text, 10, 0, tw, 40, 24), 10 + tw);
    EXPECT_EQ(dc.GetFont().GetPointSize(), cachedSize);

    int narrower = tw - 1;
    DrawTextInBox(dc, text, 10, 0, narrower, 40, 24);
    EXPECT_EQ(dc.GetFont().GetPointSize(), cachedSize * narrower / tw);
    // However narrow the box, the font keeps a size.
    DrawTextInBox(dc, text, 10, 0, 1, 40, 24);
    EXPECT_GE(dc.GetFont().GetPointSize(), 1);
    DrawTextInBox(dc, text, 10, 0, 0, 40, 24);
    EXPECT_GE(dc.GetFont().GetPointSize(), 1);
    // The shrunken font is not cached.
    SetFontForPixelHeight(dc, 24);
    EXPECT_EQ(dc.GetFont().GetPointSize(), cachedSize);
}

TEST_F(TextTest, WrapBreaksAtSpacesAndNewlines)
{
    SetFontForPixelHeight(dc, 20);
    EXPECT_EQ(Wrap("", 100), std::vector<wxString>{""});
    EXPECT_EQ(Wrap("ab\n", 1000), (std::vector<wxString>{"ab", ""}));
    EXPECT_EQ(Wrap("ab\ncd", 1000), (std::vector<wxString>{"ab", "cd"}));
    // Room for both words, not for both words and the space after the second.
    EXPECT_EQ(Wrap("ab cd", Width("ab cd ")), (std::vector<wxString>{"ab", "cd"}));
    EXPECT_EQ(Wrap("ab cd", Width("ab cd ") + 1), std::vector<wxString>{"ab cd"});
    // Two spaces at the break: the first stays, the second goes.
    EXPECT_EQ(Wrap("ab  cd", Width("ab  cd")), (std::vector<wxString>{"ab ", "cd"}));
}

TEST_F(TextTest, LineBreaksDoNotShiftTheMeasureOfWhatFollows)
{
    // Every paragraph after a break wraps as it would alone, within the box.
    SetFontForPixelHeight(dc, 28);
    const int maxWidth = 60;
    const std::vector<std::vector<wxString>> texts = {
        {"A", "B", "C", "D", "E", "F", "The last line is long"},
        {"Welcome!", "", "Words here", "", "Press Enter to Continue."},
        {"", "", "", "Is it here", "", "", "or there?"},
    };
    for (const std::vector<wxString>& paragraphs : texts) {
        wxString text;
        std::vector<wxString> expected;
        for (size_t i = 0; i < paragraphs.size(); ++i) {
            text += (i > 0 ? "\n" : "") + paragraphs[i];
            std::vector<wxString> alone = Wrap(paragraphs[i], maxWidth);
            expected.insert(expected.end(), alone.begin(), alone.end());
        }
        std::vector<wxString> lines = Wrap(text, maxWidth);
        EXPECT_EQ(lines, expected) << text;
        for (const wxString& line : lines)
            EXPECT_LT(Width(line), maxWidth) << '"' << line << "\" of " << text;
    }
}

TEST_F(TextTest, WordsWiderThanTheBoxAreSplit)
{
    SetFontForPixelHeight(dc, 20);
    const wxString word = "abcdefghijkl";
    int maxWidth = Width("abcd");
    std::vector<wxString> lines = Wrap(word, maxWidth);
    ASSERT_GT(lines.size(), 2u);
    wxString joined;
    for (const wxString& line : lines) {
        EXPECT_LT(Width(line), maxWidth);
        joined += line;
    }
    EXPECT_EQ(joined, word);

    // Even a box narrower than one character makes progress, one per line.
    lines = Wrap("xyz", 1);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "x");
    EXPECT_EQ(lines[1], "y");
    EXPECT_EQ(lines[2], "z");
}

TEST_F(TextTest, ABlockTallerThanItsBoxOverflowsBothWaysEvenly)
{
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetTextForeground(*wxBLACK);
    SetFontForPixelHeight(dc, 20);
    // Six lines of about 20 pixels in a box 60 high that starts at y = 70.
    DrawWrappedText(dc, "one\ntwo\nthree\nfour\nfive\nsix", 10, 70, 300, 60);
    dc.SelectObject(wxNullBitmap);
    wxImage image = bitmap.ConvertToImage();
    int first = -1, last = -1;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetRed(x, y) < 100) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
    ASSERT_GE(first, 0);
    EXPECT_LT(first, 70);
    EXPECT_GT(last, 130);
    EXPECT_NEAR((first + last) / 2.0, 100, 6); // centred on the box
}
