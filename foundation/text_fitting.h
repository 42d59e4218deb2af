// Text sized by pixel height rather than point size, so it scales with the
// screen: a cached font per height, one line centred in a box, and word
// wrapping to a pixel width.
#pragma once

#include <list>

#include <wx/string.h>

class wxDC;
class wxWindow;

void SetFontForPixelHeight(wxDC& dc, int pixelHeight);
void SetWindowFontForPixelHeight(wxWindow* window, int pixelHeight);
// Draws one line centred in the box (top-left x, y; y downward), shrinking the
// font when the line is too wide. Returns the x of the text's right edge.
int DrawTextInBox(wxDC& dc, const wxString& text, int x, int y, int width, int height,
                  int pixelHeight);
void WrapText(wxDC& dc, const wxString& text, int maxWidth, std::list<wxString>& lines);
void DrawWrappedText(wxDC& dc, const wxString& text, int x, int y, int maxWidth, int boxHeight);
// Where a block of the given height starts when centred in a box; negative
// when it is taller than the box.
int CentredTop(int boxHeight, int blockHeight);
// The height of one line of the text in the current font, whatever it holds.
int MeasureLineHeight(wxDC& dc, const wxString& text);

// How many fonts have been searched for (not served from the cache); for tests.
int FontSearchCount();
