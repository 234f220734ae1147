#pragma once
// The inner loops of the high-quality scaling (CImageScaler), one row at a time, in single-precision floats.
//
// Pixels travel as four planes of floats: red, green, blue and alpha. A source with alpha is premultiplied (each
// colour times its alpha) so that a weighted sum of pixels weights every colour by its alpha, and the alpha plane
// carries the sum of the weighted alphas; without alpha the alpha plane is not used.

// One source row to planes: count pixels from rgb (and alpha when given).
void PremultiplyRow(const unsigned char* rgb, const unsigned char* alpha, int count, float* const planes[4]);

// One horizontally filtered row of count pixels: out[c][j] = the sum over the taps k < 4 of
// weights[k * count + j] * planes[c][offsets[k * count + j]], for the channels c < channels.
void CubicHorizontalRow(const float* const planes[4], int channels, const int* offsets, const float* weights, int count,
                        float* const out[4]);

// One output row from four filtered rows (rows[k][c], k the tap) and their weights, turned into bytes the way
// the toolkit rounds them. With alpha: colour = sum of colours / sum of alphas + 0.5 (0 where the alpha sum is 0),
// alpha = the alpha sum truncated (see kWholeAlphaSlack); without: colour = sum + 0.5. Everything is clamped to
// 0..255 and truncated.
void CubicVerticalRow(const float* const rows[4][4], const float weights[4], int count, bool hasAlpha,
                      unsigned char* rgb, unsigned char* alpha);
// The same loops built for any processor, for comparison with the variants chosen at run time.
void CubicHorizontalRowPortable(const float* const planes[4], int channels, const int* offsets, const float* weights,
                                int count, float* const out[4]);
void CubicVerticalRowPortable(const float* const rows[4][4], const float weights[4], int count, bool hasAlpha,
                              unsigned char* rgb, unsigned char* alpha);
