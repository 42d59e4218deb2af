#include "shell/images.h"

#include <cstdlib>
#include <cstring>

#include <wx/log.h>
#include <wx/mstream.h>

#include "platform/win_resources.h"

namespace {

wxBitmap ToBitmap(const wxImage& image)
{
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

} // namespace

wxImage LoadPngResource(const char* name)
{
    HRSRC resource = FindResourceA(nullptr, name, "PNG");
    const void* bytes = resource ? LockResource(LoadResource(nullptr, resource)) : nullptr;
    DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    if (!bytes || size == 0)
        return wxImage();
    wxLogNull quiet; // a broken picture must not become an error box
    wxMemoryInputStream in(bytes, size);
    wxImage image;
    if (!image.LoadFile(in, wxBITMAP_TYPE_PNG))
        return wxImage();
    return image;
}

wxBitmap LoadTutorialPlateBitmap()
{
    return ToBitmap(LoadPngResource("tutorial_plate"));
}

wxBitmap LoadBitmapResized(const char* name, int width, int height)
{
    wxImage resized;
    return ToBitmap(ResampleImage(LoadPngResource(name), resized, width, height));
}

wxBitmap LoadBitmapFitted(const char* name, int maxWidth, int maxHeight)
{
    wxImage image = LoadPngResource(name);
    if (!image.IsOk() || image.GetWidth() <= 0 || image.GetHeight() <= 0)
        return wxBitmap();
    int64_t w = image.GetWidth(), h = image.GetHeight();
    int64_t width = maxWidth;
    int64_t height = h * maxWidth / w;
    if (height > maxHeight) {
        width = w * maxHeight / h;
        height = maxHeight;
    }
    wxImage fitted;
    return ToBitmap(ResampleImage(image, fitted, int(width), int(height)));
}

RGBABitmap* AllocateRGBABitmap(int width, int height, bool cleared)
{
    size_t size = sizeof(RGBABitmap) + size_t(width) * size_t(height) * 4;
    auto* bitmap = static_cast<RGBABitmap*>(cleared ? std::calloc(1, size) : std::malloc(size));
    if (!bitmap)
        return nullptr;
    bitmap->height = height;
    bitmap->width = width;
    bitmap->pitch = width * 4;
    bitmap->data = reinterpret_cast<uint8_t*>(bitmap + 1);
    return bitmap;
}

RGBABitmap* CopyImageToRGBA(const wxImage& image, int x, int y, int width, int height)
{
    if (!image.IsOk() || width <= 0 || height <= 0 || x < 0 || y < 0
        || int64_t(x) + width > image.GetWidth() || int64_t(y) + height > image.GetHeight())
        return nullptr;
    RGBABitmap* bitmap = AllocateRGBABitmap(width, height, false);
    if (!bitmap)
        return nullptr;
    const unsigned char* rgb = image.GetData();
    const unsigned char* alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
    int64_t imageWidth = image.GetWidth();
    for (int r = 0; r < height; ++r) {
        uint8_t* out = bitmap->data + int64_t(height - 1 - r) * bitmap->pitch;
        int64_t first = (int64_t(y) + r) * imageWidth + x;
        for (int c = 0; c < width; ++c) {
            out[c * 4 + 0] = rgb[(first + c) * 3 + 0];
            out[c * 4 + 1] = rgb[(first + c) * 3 + 1];
            out[c * 4 + 2] = rgb[(first + c) * 3 + 2];
            out[c * 4 + 3] = alpha ? alpha[first + c] : 255;
        }
    }
    return bitmap;
}

RGBABitmap* LoadImageRGBA(const char* name)
{
    wxImage image = LoadPngResource(name);
    if (!image.IsOk())
        return nullptr;
    return CopyImageToRGBA(image, 0, 0, image.GetWidth(), image.GetHeight());
}

RGBABitmap* LoadImageColumn(const char* name, int x, int height)
{
    wxImage image = LoadPngResource(name);
    if (!image.IsOk())
        return nullptr;
    return CopyImageToRGBA(image, x, 0, 256, height);
}

// Weights 0.30, 0.59 and 0.11 in 24-bit fixed point; they sum to 2^24 - 2,
// so white becomes 254.
void ConvertToGrey(RGBABitmap* bitmap)
{
    if (!bitmap)
        return;
    int64_t pixels = int64_t(bitmap->width) * bitmap->height;
    for (int64_t i = 0; i < pixels; ++i) {
        uint8_t* p = bitmap->data + i * 4;
        uint32_t grey = (p[0] * 5033164u + p[1] * 9898557u + p[2] * 1845493u) >> 24;
        p[0] = p[1] = p[2] = uint8_t(grey);
    }
}

ImageStrip* LoadImageStrip(ImageStrip* strip, const char* name, int count, int frameWidth,
                           int frameHeight)
{
    strip->count = 0;
    strip->rows = 0;
    strip->frameWidth = 0;
    strip->frameHeight = 0;
    strip->frames.clear();
    wxImage image = LoadPngResource(name);
    if (!image.IsOk())
        return strip;
    if (count < 0)
        count = 0;
    strip->count = count;
    strip->rows = 1;
    strip->frames.assign(size_t(count), nullptr);
    if (count > 0 && frameWidth > 0 && frameHeight > 0) {
        if (unsigned(image.GetWidth()) / unsigned(count) != unsigned(frameWidth)
            || image.GetHeight() != frameHeight) {
            wxImage resized;
            image = ResampleImage(image, resized, count * frameWidth, frameHeight);
        }
        for (int i = 0; i < count; ++i)
            strip->frames[i] = CopyImageToRGBA(image, i * frameWidth, 0, frameWidth, frameHeight);
    }
    strip->frameWidth = frameWidth;
    strip->frameHeight = frameHeight;
    return strip;
}

void FreeImageStrip(ImageStrip* strip)
{
    if (!strip)
        return;
    for (RGBABitmap* frame : strip->frames)
        std::free(frame);
    std::vector<RGBABitmap*>().swap(strip->frames);
}
