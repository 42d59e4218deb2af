#include "foundation/text_fitting.h"

#include <algorithm>
#include <map>

#include <wx/dc.h>
#include <wx/dcclient.h>
#include <wx/font.h>
#include <wx/window.h>

namespace {

std::map<int, wxFont>& FontCache()
{
    static std::map<int, wxFont> cache;
    return cache;
}

int g_fontSearches = 0;

int CharHeightAt(wxDC& dc, wxFont& font, int pointSize)
{
    font.SetPointSize(pointSize);
    dc.SetFont(font);
    return dc.GetCharHeight();
}

} // namespace

void SetFontForPixelHeight(wxDC& dc, int pixelHeight)
{
    std::map<int, wxFont>& cache = FontCache();
    auto found = cache.find(pixelHeight);
    if (found != cache.end()) {
        dc.SetFont(found->second);
        return;
    }
    ++g_fontSearches;
    wxFont font = *wxNORMAL_FONT;
    int lo = 6, hi = 75;
    do {
        int mid = (lo + hi) / 2;
        int h = CharHeightAt(dc, font, mid);
        if (h < pixelHeight)
            lo = mid;
        else if (h > pixelHeight)
            hi = mid;
        else
            lo = hi = mid;
    } while (lo + 1 < hi);
    font.SetPointSize(lo);
    dc.SetFont(font);
    cache.emplace(pixelHeight, font);
}

void SetWindowFontForPixelHeight(wxWindow* window, int pixelHeight)
{
    wxClientDC dc(window);
    SetFontForPixelHeight(dc, pixelHeight);
    window->SetFont(dc.GetFont());
}

int DrawTextInBox(wxDC& dc, const wxString& text, int x, int y, int width, int height,
                  int pixelHeight)
{
    SetFontForPixelHeight(dc, pixelHeight);
    wxCoord tw = 0, th = 0;
    dc.GetTextExtent(text, &tw, &th);
    if (tw > width) {
        wxFont shrunk = dc.GetFont();
        // Never below 1: a zero size is no font at all.
        shrunk.SetPointSize(std::max(1, shrunk.GetPointSize() * width / tw));
        dc.SetFont(shrunk);
        dc.GetTextExtent(text, &tw, &th);
    }
    int left = x + (width - tw) / 2;
    dc.DrawText(text, left, y + (height - th) / 2);
    return left + tw;
}

void WrapText(wxDC& dc, const wxString& text, int maxWidth, std::list<wxString>& lines)
{
    wxString s = text + " ";
    // GTK's partial extents skip line breaks, which would shift every width
    // after one: measure them as spaces, as the line height does.
    wxString measured = s;
    measured.Replace("\n", " ");
    wxArrayInt widths;
    dc.GetPartialTextExtents(measured, widths);
    size_t length = s.length();
    size_t start = 0;
    while (start < length) {
        int base = start == 0 ? 0 : widths[start - 1];
        // A character too wide for the box still makes a line of its own.
        size_t end = start;
        bool includeEnd = true, firstWord = true, afterSpace = false, newline = false;
        for (size_t i = start; i < length; ++i) {
            if (!afterSpace && widths[i] >= base + maxWidth)
                break;
            wxUniChar c = s[i];
            afterSpace = false;
            if (c == ' ') {
                end = i, includeEnd = false, firstWord = false, afterSpace = true;
            } else if (c == '\n') {
                end = i, includeEnd = false, firstWord = false, newline = true;
            } else if (firstWord) {
                end = i, includeEnd = true;
            }
            if (newline)
                break;
        }
        lines.push_back(s.Mid(start, end - start + (includeEnd ? 1 : 0)));
        start = end + 1;
    }
}

int MeasureLineHeight(wxDC& dc, const wxString& text)
{
    wxString line = text;
    line.Replace("\n", " ");
    wxCoord w = 0, h = 0;
    dc.GetTextExtent(line, &w, &h);
    return h > 0 ? h : dc.GetCharHeight();
}

void DrawWrappedText(wxDC& dc, const wxString& text, int x, int y, int maxWidth, int boxHeight)
{
    std::list<wxString> lines;
    WrapText(dc, text, maxWidth, lines);
    int lineHeight = MeasureLineHeight(dc, text);
    // A block taller than its box stays centred on it, overflowing both ways
    // evenly: pictures that carry text keep room above and below the box.
    int top = CentredTop(boxHeight, static_cast<int>(lines.size()) * lineHeight);
    for (const wxString& line : lines) {
        wxCoord w = 0, h = 0;
        dc.GetTextExtent(line, &w, &h);
        dc.DrawText(line, x, y + top);
        top += h > 0 ? h : lineHeight;
    }
}

int CentredTop(int boxHeight, int blockHeight)
{
    return (boxHeight - blockHeight) / 2;
}

int FontSearchCount()
{
    return g_fontSearches;
}
