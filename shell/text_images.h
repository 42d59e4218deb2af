// In-game text is drawn by the toolkit into a bitmap in memory and handed
// back as a bottom-up RGBA block for a texture. Each result is the caller's
// to free; a null text is the empty text.
#pragma once

struct RGBABitmap;

// The tutorial plate with the text wrapped into the box given as fractions
// of the plate's size.
RGBABitmap* RenderTutorialPlateImage(const char* text, double left, double top, double width,
                                     double height);
// 512 x 32, the text centred in white on black.
RGBABitmap* RenderCaptionImage(const char* text);
// The button picture at 256 x 64 with the label centred in black.
RGBABitmap* RenderButtonImage(const char* label);
