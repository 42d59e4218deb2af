#include "shell/text_images.h"

#include <cstring>

#include <wx/dcmemory.h>

#include "foundation/text_fitting.h"
#include "shell/images.h"

namespace {

wxString TextOf(const char* text)
{
    return text ? wxString::FromUTF8(text) : wxString();
}

// A missing picture still gives something readable: the text on white.
wxBitmap PictureOrPlain(const wxBitmap& picture, int width, int height)
{
    if (picture.IsOk())
        return picture;
    wxBitmap plain(width, height, 24);
    wxMemoryDC dc(plain);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    return plain;
}

// Text drawing must not change where the picture is see-through.
void RestoreAlpha(const wxImage& kept, wxImage& drawn)
{
    if (!kept.HasAlpha() || !drawn.HasAlpha() || kept.GetSize() != drawn.GetSize())
        return;
    std::memcpy(drawn.GetAlpha(), kept.GetAlpha(),
                static_cast<size_t>(kept.GetWidth()) * kept.GetHeight());
}

RGBABitmap* WholeImage(const wxImage& image)
{
    return CopyImageToRGBA(image, 0, 0, image.GetWidth(), image.GetHeight());
}

} // namespace

RGBABitmap* RenderTutorialPlateImage(const char* text, double left, double top, double width,
                                     double height)
{
    wxBitmap plate = PictureOrPlain(LoadTutorialPlateBitmap(), 512, 256);
    wxImage kept = plate.ConvertToImage();
    int w = plate.GetWidth(), h = plate.GetHeight();
    {
        wxMemoryDC dc(plate);
        dc.SetTextForeground(*wxBLACK);
        SetFontForPixelHeight(dc, 28);
        DrawWrappedText(dc, TextOf(text), static_cast<int>(w * left), static_cast<int>(h * top),
                        static_cast<int>(w * width), static_cast<int>(h * height));
    }
    wxImage drawn = plate.ConvertToImage();
    RestoreAlpha(kept, drawn);
    return WholeImage(drawn);
}

RGBABitmap* RenderCaptionImage(const char* text)
{
    // A new bitmap's pixels are undefined on this toolkit: start from black.
    wxBitmap caption(1024, 64, 24);
    {
        wxMemoryDC dc(caption);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        dc.SetTextForeground(*wxWHITE);
        DrawTextInBox(dc, TextOf(text), 2, 2, 1020, 60, 60);
    }
    wxImage reduced;
    ResampleImage(caption.ConvertToImage(), reduced, 512, 32);
    return WholeImage(reduced);
}

RGBABitmap* RenderButtonImage(const char* label)
{
    wxBitmap button = PictureOrPlain(LoadBitmapResized("button", 512, 128), 512, 128);
    wxImage kept = button.ConvertToImage();
    {
        wxMemoryDC dc(button);
        dc.SetTextForeground(*wxBLACK);
        DrawTextInBox(dc, TextOf(label), 12, 12, 488, 104, 104);
    }
    wxImage drawn = button.ConvertToImage();
    RestoreAlpha(kept, drawn);
    wxImage reduced;
    ResampleImage(drawn, reduced, 256, 64);
    return WholeImage(reduced);
}
