#pragma once
// The inner loop of CImage::Paste for sources with alpha: blends one row of pixels in place.
// rgb/alpha are the destination's, sourceRgb/sourceAlpha the source's; the areas must not overlap.
void BlendRow(unsigned char* rgb, unsigned char* alpha, const unsigned char* sourceRgb,
              const unsigned char* sourceAlpha, int width);
// The same, pixel by pixel with branches: what BlendRow runs on processors without AVX2.
void BlendRowPortable(unsigned char* rgb, unsigned char* alpha, const unsigned char* sourceRgb,
                      const unsigned char* sourceAlpha, int width);
