#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include <GL/gl.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>

#include "shell/images.h"
#include "shell/quad_batch.h"
#include "shell/texture_atlas.h"
#include "shell/textures.h"
#include "tests/support/gui_test_support.h"

namespace {

struct Pixel
{
    int r, g, b, a;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

std::ostream& operator<<(std::ostream& out, const Pixel& p)
{
    return out << "(" << p.r << "," << p.g << "," << p.b << "," << p.a << ")";
}

// Row 0 is the bottom row.
Pixel At(const RGBABitmap* bitmap, int x, int row)
{
    const uint8_t* p = bitmap->data + row * bitmap->pitch + x * 4;
    return Pixel{p[0], p[1], p[2], p[3]};
}

struct Bitmap
{
    RGBABitmap* p;
    explicit Bitmap(RGBABitmap* bitmap) : p(bitmap) {}
    ~Bitmap() { std::free(p); }
};

// An image whose every pixel of row y is value(y) in R, G, B and alpha.
wxImage RowImage(int width, int height, int (*value)(int))
{
    wxImage image(width, height, false);
    image.InitAlpha();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int v = value(y);
            image.SetRGB(x, y, v, v, v);
            image.SetAlpha(x, y, v);
        }
    return image;
}

struct ImagesTest : testing::Test
{
};

} // namespace

TEST_F(ImagesTest, RowsAreStoredBottomUpWithAlpha)
{
    Bitmap quad(LoadImageRGBA("quad"));
    ASSERT_NE(quad.p, nullptr);
    EXPECT_EQ(quad.p->width, 4);
    EXPECT_EQ(quad.p->height, 2);
    EXPECT_EQ(quad.p->pitch, 16);
    EXPECT_EQ(quad.p->data, reinterpret_cast<uint8_t*>(quad.p + 1));
    EXPECT_EQ(At(quad.p, 0, 0), (Pixel{10, 20, 30, 255}));  // the picture's bottom row
    EXPECT_EQ(At(quad.p, 3, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(At(quad.p, 0, 1), (Pixel{255, 0, 0, 255}));   // its top row
    EXPECT_EQ(At(quad.p, 3, 1), (Pixel{255, 255, 255, 128}));

    Bitmap rgb(LoadImageRGBA("rgb"));
    ASSERT_NE(rgb.p, nullptr);
    EXPECT_EQ(At(rgb.p, 2, 0), (Pixel{17, 18, 19, 255}));
    EXPECT_EQ(At(rgb.p, 0, 1), (Pixel{1, 2, 3, 255}));
}

TEST_F(ImagesTest, MissingOrBrokenPicturesGiveNothingQuietly)
{
    EXPECT_FALSE(LoadPngResource("no such picture").IsOk());
    EXPECT_FALSE(LoadPngResource("broken").IsOk());
    EXPECT_EQ(LoadImageRGBA("broken"), nullptr);
    EXPECT_EQ(LoadImageColumn("no such picture", 0, 1), nullptr);
    EXPECT_FALSE(LoadBitmapResized("broken", 10, 10).IsOk());
    EXPECT_FALSE(LoadBitmapFitted("no such picture", 10, 10).IsOk());
    EXPECT_FALSE(LoadTutorialPlateBitmap().IsOk());
    ImageStrip strip;
    strip.count = 7;
    LoadImageStrip(&strip, "broken", 4, 64, 64);
    EXPECT_EQ(strip.count, 0);
    EXPECT_EQ(strip.rows, 0);
    EXPECT_EQ(strip.frameWidth, 0);
    EXPECT_TRUE(strip.frames.empty());
}

TEST_F(ImagesTest, RectanglesOutsideTheImageGiveNull)
{
    wxImage image = LoadPngResource("quad");
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(CopyImageToRGBA(image, 1, 0, 4, 2), nullptr);
    EXPECT_EQ(CopyImageToRGBA(image, 0, 1, 4, 2), nullptr);
    EXPECT_EQ(CopyImageToRGBA(image, -1, 0, 2, 2), nullptr);
    EXPECT_EQ(CopyImageToRGBA(image, 0, 0, 0, 2), nullptr);
    EXPECT_EQ(CopyImageToRGBA(wxImage(), 0, 0, 1, 1), nullptr);
    Bitmap inner(CopyImageToRGBA(image, 1, 0, 2, 2));
    ASSERT_NE(inner.p, nullptr);
    EXPECT_EQ(At(inner.p, 0, 0), (Pixel{40, 50, 60, 200}));
    EXPECT_EQ(At(inner.p, 1, 1), (Pixel{0, 0, 255, 255}));
}

TEST_F(ImagesTest, ColumnsAre256WideAndMustLieInsideThePicture)
{
    Bitmap second(LoadImageColumn("panels", 256, 4));
    ASSERT_NE(second.p, nullptr);
    EXPECT_EQ(second.p->width, 256);
    EXPECT_EQ(second.p->height, 4);
    EXPECT_EQ(At(second.p, 0, 3), (Pixel{0, 200, 0, 255}));
    EXPECT_EQ(At(second.p, 255, 0), (Pixel{0, 0, 200, 255}));
    Bitmap first(LoadImageColumn("panels", 0, 2));
    ASSERT_NE(first.p, nullptr);
    EXPECT_EQ(At(first.p, 255, 1), (Pixel{200, 0, 0, 255}));
    EXPECT_EQ(LoadImageColumn("panels", 257, 4), nullptr);
    EXPECT_EQ(LoadImageColumn("panels", 256, 5), nullptr);
    EXPECT_EQ(LoadImageColumn("panels", 512, 1), nullptr);
}

TEST_F(ImagesTest, GreyUsesFixedPointWeightsAndKeepsAlpha)
{
    Bitmap quad(LoadImageRGBA("quad"));
    ASSERT_NE(quad.p, nullptr);
    ConvertToGrey(quad.p);
    EXPECT_EQ(At(quad.p, 3, 1), (Pixel{254, 254, 254, 128})); // white is 254
    EXPECT_EQ(At(quad.p, 3, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(At(quad.p, 0, 1), (Pixel{76, 76, 76, 255}));    // red: 255 * 0.3
    EXPECT_EQ(At(quad.p, 1, 1), (Pixel{150, 150, 150, 255})); // green: 255 * 0.59
    // (10 * 5033164 + 20 * 9898557 + 30 * 1845493) >> 24
    EXPECT_EQ(At(quad.p, 0, 0), (Pixel{18, 18, 18, 255}));
    ConvertToGrey(nullptr);
}

TEST_F(ImagesTest, EnlargingBlendsNeighbouringRowsAndKeepsTheEnds)
{
    wxImage two = RowImage(1, 2, [](int y) { return y * 200; });
    wxImage three;
    ResampleImage(two, three, 1, 3);
    ASSERT_TRUE(three.IsOk());
    ASSERT_TRUE(three.HasAlpha());
    EXPECT_EQ(three.GetRed(0, 0), 0);
    EXPECT_EQ(three.GetRed(0, 1), 100); // f = 128 between rows 0 and 1
    EXPECT_EQ(three.GetAlpha(0, 1), 100);
    EXPECT_EQ(three.GetBlue(0, 2), 200);

    wxImage one = RowImage(3, 1, [](int) { return 77; });
    wxImage tall;
    ResampleImage(one, tall, 3, 5);
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(tall.GetGreen(2, y), 77) << y;

    // Columns follow the same rule.
    wxImage wide(2, 1);
    wide.SetRGB(0, 0, 0, 0, 0);
    wide.SetRGB(1, 0, 200, 100, 50);
    wxImage wider;
    ResampleImage(wide, wider, 3, 1);
    EXPECT_FALSE(wider.HasAlpha());
    EXPECT_EQ(wider.GetRed(1, 0), 100);
    EXPECT_EQ(wider.GetGreen(1, 0), 50);
    EXPECT_EQ(wider.GetBlue(2, 0), 50);
}

TEST_F(ImagesTest, ReducingTakesTheMeanOfSixteenLines)
{
    wxImage rows = RowImage(2, 32, [](int y) { return y * 8; });
    wxImage two;
    ResampleImage(rows, two, 2, 2);
    EXPECT_EQ(two.GetRed(0, 0), 60);   // mean of rows 0..15
    EXPECT_EQ(two.GetRed(1, 1), 188);  // mean of rows 16..31
    EXPECT_EQ(two.GetAlpha(0, 1), 188);

    wxImage columns(32, 1);
    for (int x = 0; x < 32; ++x)
        columns.SetRGB(x, 0, x * 8, 0, 255 - x * 8);
    wxImage narrow;
    ResampleImage(columns, narrow, 2, 1);
    EXPECT_EQ(narrow.GetRed(0, 0), 60);
    EXPECT_EQ(narrow.GetBlue(1, 0), 255 - 188);
}

TEST_F(ImagesTest, NegativeSizesFollowTheShapeAndEmptyGivesEmpty)
{
    wxImage source(200, 100);
    wxImage result;
    ResampleImage(source, result, -1, 50);
    EXPECT_EQ(result.GetWidth(), 100);
    EXPECT_EQ(result.GetHeight(), 50);
    ResampleImage(source, result, 40, -1);
    EXPECT_EQ(result.GetHeight(), 20);
    EXPECT_FALSE(ResampleImage(source, result, -1, -1).IsOk());
    EXPECT_FALSE(ResampleImage(source, result, 0, 10).IsOk());
    EXPECT_FALSE(ResampleImage(wxImage(), result, -1, 50).IsOk());
    // The result may be the source itself.
    ResampleImage(source, source, 20, 10);
    EXPECT_EQ(source.GetWidth(), 20);
}

TEST_F(ImagesTest, TallEnlargementsDoNotOverflowThePosition)
{
    // y * (256 * H - 256) passes 2^31 long before the last row here.
    const int rows = 20000;
    wxImage column(1, rows);
    for (int y = 0; y < rows; ++y)
        column.SetRGB(0, y, y * 255 / (rows - 1), 0, 0);
    wxImage taller;
    ResampleImage(column, taller, 1, rows + 1);
    ASSERT_EQ(taller.GetHeight(), rows + 1);
    EXPECT_EQ(taller.GetRed(0, rows), 255);
    int last = 0;
    for (int y = 0; y <= rows; ++y) {
        ASSERT_GE(taller.GetRed(0, y), last) << y;
        last = taller.GetRed(0, y);
    }
}

TEST_F(ImagesTest, StripsAreCutAndResampledOnlyWhenTheSizeDiffers)
{
    const Pixel colours[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                             {255, 255, 0, 128}};
    for (const char* name : {"strip", "strip_large"}) {
        ImageStrip strip;
        LoadImageStrip(&strip, name, 4, 64, 64);
        EXPECT_EQ(strip.count, 4);
        EXPECT_EQ(strip.rows, 1);
        EXPECT_EQ(strip.frameWidth, 64);
        EXPECT_EQ(strip.frameHeight, 64);
        ASSERT_EQ(strip.frames.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            ASSERT_NE(strip.frames[i], nullptr);
            EXPECT_EQ(strip.frames[i]->width, 64);
            EXPECT_EQ(At(strip.frames[i], 0, 0), colours[i]) << name << " " << i;
            EXPECT_EQ(At(strip.frames[i], 63, 63), colours[i]) << name << " " << i;
        }
        FreeImageStrip(&strip);
        EXPECT_TRUE(strip.frames.empty());
        EXPECT_EQ(strip.count, 4);
    }
}

TEST_F(ImagesTest, StripsWithoutFramesAreEmpty)
{
    ImageStrip strip;
    LoadImageStrip(&strip, "strip", 0, 64, 64);
    EXPECT_EQ(strip.count, 0);
    EXPECT_TRUE(strip.frames.empty());
    LoadImageStrip(&strip, "strip", -3, 64, 64);
    EXPECT_EQ(strip.count, 0);
    EXPECT_TRUE(strip.frames.empty());
    LoadImageStrip(&strip, "strip", 2, 0, 64);
    ASSERT_EQ(strip.frames.size(), 2u);
    EXPECT_EQ(strip.frames[0], nullptr);
    FreeImageStrip(&strip);
    FreeImageStrip(nullptr);
}

TEST_F(ImagesTest, BitmapsAreResizedOrFittedWithTheirShapeKept)
{
    wxBitmap resized = LoadBitmapResized("quad", 8, -1);
    ASSERT_TRUE(resized.IsOk());
    EXPECT_EQ(resized.GetWidth(), 8);
    EXPECT_EQ(resized.GetHeight(), 4);
    wxBitmap wide = LoadBitmapFitted("strip", 100, 100);
    EXPECT_EQ(wide.GetWidth(), 100);
    EXPECT_EQ(wide.GetHeight(), 25);
    wxBitmap low = LoadBitmapFitted("strip", 100, 10);
    EXPECT_EQ(low.GetWidth(), 40);
    EXPECT_EQ(low.GetHeight(), 10);
}

namespace {

// A shown GL canvas of 16 x 8 pixels with the game's projection.
struct TextureTest : ImagesTest
{
    wxFrame* frame;
    wxGLCanvas* canvas;
    wxGLContext* context;

    TextureTest()
    {
        static const int attributes[] = {WX_GL_RGBA, WX_GL_DOUBLEBUFFER, 0};
        // Borderless and larger than the 16 x 8 view: a window manager's
        // decorations or minimum size must not shrink the drawable under it.
        frame = new wxFrame(nullptr, wxID_ANY, "textures", wxPoint(0, 0), wxSize(1, 1),
                            wxBORDER_NONE | wxFRAME_NO_TASKBAR);
        canvas = new wxGLCanvas(frame, wxID_ANY, attributes);
        frame->SetSize(64, 32);
        frame->Show();
        PumpUntil([this] {
            wxSize size = canvas->GetClientSize();
            return size.x >= 16 && size.y >= 8;
        });
        PumpEvents(100);
        context = new wxGLContext(canvas);
        canvas->SetCurrent(*context);
        glViewport(0, 0, 16, 8);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 16, 0, 8, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
    }

    ~TextureTest() override
    {
        delete context;
        frame->Destroy();
        PumpEvents(20);
    }

    std::vector<Pixel> Read(int x, int y, int w, int h)
    {
        glFinish();
        std::vector<unsigned char> bytes(w * h * 4);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        std::vector<Pixel> pixels;
        for (int i = 0; i < w * h; ++i)
            pixels.push_back(Pixel{bytes[i * 4], bytes[i * 4 + 1], bytes[i * 4 + 2], 255});
        return pixels;
    }
};

Pixel Opaque(Pixel p)
{
    p.a = 255;
    return p;
}

} // namespace

TEST_F(TextureTest, AQuadLandsOnItsPixelsTheRightWayUp)
{
    Bitmap quad(LoadImageRGBA("quad"));
    TextureRecord* texture = CreateTexture(quad.p, true);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->valid, 1);
    EXPECT_EQ(texture->source, quad.p);
    DrawTexturedQuad(texture, 2, 3, 6, 5, 1, 1, 0, 0);
    std::vector<Pixel> drawn = Read(2, 3, 4, 2);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(drawn[row * 4 + x], Opaque(At(quad.p, x, row))) << x << "," << row;
    EXPECT_EQ(Read(1, 3, 1, 1)[0], (Pixel{0, 0, 0, 255})); // nothing beside it
    EXPECT_EQ(Read(2, 5, 1, 1)[0], (Pixel{0, 0, 0, 255}));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    DeleteTextures(&texture, 1);
}

TEST_F(TextureTest, LargerExtentsTileTheTexture)
{
    Bitmap quad(LoadImageRGBA("quad"));
    TextureRecord* texture = CreateTexture(quad.p, false);
    DrawTexturedQuad(texture, 0, 0, 8, 4, 2, 2, 0, 0);
    std::vector<Pixel> drawn = Read(0, 0, 8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(drawn[y * 8 + x], Opaque(At(quad.p, x % 4, y % 2))) << x << "," << y;
    DeleteTextures(&texture, 1);
}

TEST_F(TextureTest, EmptyTexturesDrawNothingAndTouchNoState)
{
    TextureRecord* empty = CreateTexture(nullptr, true);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->valid, 0);
    Bitmap quad(LoadImageRGBA("quad"));
    TextureRecord* other = CreateTexture(quad.p, true);
    glBindTexture(GL_TEXTURE_2D, other->name);
    DrawTexturedQuad(empty, 0, 0, 16, 8, 1, 1, 0, 0);
    DrawTexturedQuad(nullptr, 0, 0, 16, 8, 1, 1, 0, 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), other->name);
    for (const Pixel& p : Read(0, 0, 16, 8))
        EXPECT_EQ(p, (Pixel{0, 0, 0, 255}));
    TextureRecord* both[] = {empty, nullptr, other};
    DeleteTextures(both, 3);
    DeleteTextures(nullptr, 3);

    // A picture larger than the driver takes is as one that is missing,
    // also as the atlas it makes: drawn, it leaves no white box.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    Bitmap wide(AllocateRGBABitmap(largest + 1, 1, true));
    ASSERT_NE(wide.p, nullptr);
    TextureRecord* tooWide = CreateTexture(wide.p, true);
    EXPECT_EQ(tooWide->valid, 0);
    DeleteTextures(&tooWide, 1);
    TextureAtlas atlas;
    const RGBABitmap* pictures[] = {wide.p};
    TextureRegion region;
    BuildAtlas(atlas, pictures, 1, &region);
    BatchColour(g_quadBatch, 1, 1, 1);
    BatchWholeQuad(g_quadBatch, region, kInPlace, 0, 0, 16, 8);
    FlushQuads(g_quadBatch);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    for (const Pixel& p : Read(0, 0, 16, 8))
        EXPECT_EQ(p, (Pixel{0, 0, 0, 255}));
    FreeAtlas(atlas);
}

// Magnified four times, the picture's edge pixels blend with the texels
// across the edge: in the atlas those must be its own wrapped round, not
// its neighbour's nor the empty space between.
TEST_F(TextureTest, APictureInAnAtlasLooksAsFromItsOwnTexture)
{
    Bitmap quad(LoadImageRGBA("quad"));
    Bitmap rgb(LoadImageRGBA("rgb"));
    TextureRecord* own = CreateTexture(quad.p, true);
    DrawTexturedQuad(own, 0, 0, 16, 8, 1, 1, 0, 0);
    std::vector<Pixel> alone = Read(0, 0, 16, 8);
    DeleteTextures(&own, 1);

    TextureAtlas atlas;
    const RGBABitmap* pictures[] = {rgb.p, nullptr, quad.p};
    TextureRegion regions[3];
    BuildAtlas(atlas, pictures, 3, regions);
    EXPECT_EQ(regions[1].texture, nullptr) << "a missing picture draws nothing";
    glClear(GL_COLOR_BUFFER_BIT);
    BatchColour(g_quadBatch, 1, 1, 1);
    BatchWholeQuad(g_quadBatch, regions[2], kInPlace, 0, 0, 16, 8);
    FlushQuads(g_quadBatch);
    std::vector<Pixel> inAtlas = Read(0, 0, 16, 8);
    for (size_t i = 0; i < alone.size(); ++i) {
        // The window's corners lie elsewhere in the texture: a blend may round the other way.
        EXPECT_NEAR(inAtlas[i].r, alone[i].r, 1) << i % 16 << "," << i / 16;
        EXPECT_NEAR(inAtlas[i].g, alone[i].g, 1) << i % 16 << "," << i / 16;
        EXPECT_NEAR(inAtlas[i].b, alone[i].b, 1) << i % 16 << "," << i / 16;
    }
    FreeAtlas(atlas);
    EXPECT_EQ(atlas.texture, nullptr);
}

TEST_F(TextureTest, StripFramesBecomeTexturesAndExtraEntriesStayEmpty)
{
    ImageStrip strip;
    LoadImageStrip(&strip, "strip", 4, 64, 64);
    TextureRecord* textures[6];
    CreateTextures(&strip, textures, 6);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(textures[i]->valid, 1) << i;
        EXPECT_EQ(textures[i]->source, strip.frames[i]);
    }
    EXPECT_EQ(textures[4]->valid, 0);
    EXPECT_EQ(textures[5]->source, nullptr);
    DrawTexturedQuad(textures[2], 0, 0, 1, 1, 1, 1, 0, 0);
    EXPECT_EQ(Read(0, 0, 1, 1)[0], (Pixel{0, 0, 255, 255}));
    DeleteTextures(textures, 6);
    FreeImageStrip(&strip);
    CreateTextures(nullptr, textures, 6);
}
