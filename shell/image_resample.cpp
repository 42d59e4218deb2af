// The game's two-pass resampler: rows first, then columns. Enlarging blends
// the two nearest source lines in 1/256 steps, reducing takes the mean of 16
// evenly spread source lines, and equal sizes copy.
#include "shell/images.h"

#include <algorithm>

namespace {

struct Taps
{
    int count;
    int64_t index[16];
    int weight[16];
    int divisor;
};

// Which source lines make output line `out`, and with what weights. All in
// 64 bits: the positions multiply two image sizes.
Taps TapsFor(int64_t out, int64_t outSize, int64_t inSize)
{
    Taps taps{};
    if (outSize == inSize) {
        taps.count = 1;
        taps.index[0] = out;
        taps.weight[0] = 1;
        taps.divisor = 1;
    } else if (outSize > inSize) {
        int64_t p = out * (256 * inSize - 256) / (outSize - 1);
        int64_t first = p / 256;
        int f = int(p % 256);
        taps.count = 2;
        taps.index[0] = first;
        taps.index[1] = first + 1 >= inSize ? first : first + 1;
        taps.weight[0] = 256 - f;
        taps.weight[1] = f;
        taps.divisor = 256;
    } else {
        taps.count = 16;
        for (int k = 0; k < 16; ++k) {
            taps.index[k] = ((16 * out + k) * inSize / outSize) / 16;
            taps.weight[k] = 1;
        }
        taps.divisor = 16;
    }
    return taps;
}

// One channel plane: `lines` lines of `length` bytes, `step` bytes between
// neighbours in a line and `lineStep` bytes between lines.
struct Plane
{
    unsigned char* bytes;
    int64_t step;
    int64_t lineStep;
};

void ResampleLines(const Plane& from, int64_t fromLines, const Plane& to, int64_t toLines,
                   int64_t length)
{
    for (int64_t line = 0; line < toLines; ++line) {
        Taps taps = TapsFor(line, toLines, fromLines);
        unsigned char* out = to.bytes + line * to.lineStep;
        for (int64_t i = 0; i < length; ++i) {
            uint32_t sum = 0;
            for (int k = 0; k < taps.count; ++k)
                sum += taps.weight[k] * from.bytes[taps.index[k] * from.lineStep + i * from.step];
            out[i * to.step] = (unsigned char)(sum / taps.divisor);
        }
    }
}

// Resamples along one axis: rows (vertical) or columns (horizontal). The
// height is the same on both sides of a horizontal pass, the width of a
// vertical one.
void ResamplePass(const wxImage& from, wxImage& to, bool vertical)
{
    int64_t fromW = from.GetWidth(), fromH = from.GetHeight();
    int64_t toW = to.GetWidth(), toH = to.GetHeight();
    unsigned char* src = from.GetData();
    unsigned char* dst = to.GetData();
    unsigned char* srcAlpha = from.HasAlpha() ? from.GetAlpha() : nullptr;
    unsigned char* dstAlpha = to.HasAlpha() ? to.GetAlpha() : nullptr;
    if (vertical) {
        ResampleLines(Plane{src, 1, fromW * 3}, fromH, Plane{dst, 1, toW * 3}, toH, toW * 3);
        if (srcAlpha && dstAlpha)
            ResampleLines(Plane{srcAlpha, 1, fromW}, fromH, Plane{dstAlpha, 1, toW}, toH, toW);
        return;
    }
    for (int c = 0; c < 3; ++c)
        ResampleLines(Plane{src + c, fromW * 3, 3}, fromW, Plane{dst + c, toW * 3, 3}, toW, toH);
    if (srcAlpha && dstAlpha)
        ResampleLines(Plane{srcAlpha, fromW, 1}, fromW, Plane{dstAlpha, toW, 1}, toW, toH);
}

wxImage BlankLike(const wxImage& alphaFrom, int width, int height)
{
    wxImage image(width, height, true);
    if (image.IsOk() && alphaFrom.HasAlpha()) {
        image.InitAlpha();
        std::fill_n(image.GetAlpha(), int64_t(width) * height, 0);
    }
    return image;
}

} // namespace

wxImage& ResampleImage(const wxImage& source, wxImage& result, int width, int height)
{
    int64_t sourceW = source.IsOk() ? source.GetWidth() : 0;
    int64_t sourceH = source.IsOk() ? source.GetHeight() : 0;
    if (width < 0)
        width = sourceH > 0 ? int(sourceW * height / sourceH) : 0;
    if (height < 0)
        height = sourceW > 0 ? int(sourceH * width / sourceW) : 0;
    if (sourceW <= 0 || sourceH <= 0 || width <= 0 || height <= 0) {
        result = wxImage();
        return result;
    }
    wxImage middle = BlankLike(source, int(sourceW), height);
    wxImage out = BlankLike(source, width, height);
    if (!middle.IsOk() || !out.IsOk()) {
        result = wxImage();
        return result;
    }
    ResamplePass(source, middle, true);
    ResamplePass(middle, out, false);
    result = out;
    return result;
}
