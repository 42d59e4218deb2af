// A child window showing word-wrapped text in a box of fixed size, the block
// centred vertically. It draws with its own font and foreground colour,
// which its creator sets, and paints no background.
#pragma once

#include <wx/window.h>

class CMultiLineSizedText : public wxWindow
{
public:
    CMultiLineSizedText(wxWindow* parent, const char* text, bool centreLines);

    const wxString& GetText() const { return text; }

private:
    void OnPaint(wxPaintEvent& event);

    wxString text;
    bool centreLines;

    wxDECLARE_EVENT_TABLE();
};
