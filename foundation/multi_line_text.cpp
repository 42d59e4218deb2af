#include "foundation/multi_line_text.h"

#include <list>

#include <wx/dcclient.h>

#include "foundation/text_fitting.h"

wxBEGIN_EVENT_TABLE(CMultiLineSizedText, wxWindow)
    EVT_PAINT(CMultiLineSizedText::OnPaint)
wxEND_EVENT_TABLE()

CMultiLineSizedText::CMultiLineSizedText(wxWindow* parent, const char* lines, bool centre)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "panel"),
      text(lines ? wxString::FromUTF8(lines) : wxString()), centreLines(centre)
{
}

void CMultiLineSizedText::OnPaint(wxPaintEvent&)
{
    wxSize size = GetSize();
    wxPaintDC dc(this);
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    std::list<wxString> lines;
    WrapText(dc, text, size.x, lines);
    int lineHeight = MeasureLineHeight(dc, text);
    int top = CentredTop(size.y, static_cast<int>(lines.size()) * lineHeight);
    for (const wxString& line : lines) {
        wxCoord lw = 0, lh = 0;
        dc.GetTextExtent(line, &lw, &lh);
        dc.DrawText(line, centreLines ? (size.x - lw) / 2 : 0, top);
        top += lineHeight;
    }
}
