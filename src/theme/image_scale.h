#pragma once
// CImageScaler: the toolkit's high-quality scaling (wxImage::Scale with wxIMAGE_QUALITY_HIGH), computed one output
// row at a time and only over the columns that are asked for.
//
// The filter is the toolkit's: a box average when both sides shrink, otherwise the cubic B-spline over four by four
// source pixels with the toolkit's sample positions, edge clamping and alpha weighting. The box average gives the
// toolkit's bytes exactly (its sums are whole numbers); the cubic filter is computed in single precision, separably,
// and may differ from the toolkit's double-precision result by 1 in a channel where that result lies next to a
// rounding step. One difference is on purpose: where the alpha sum is a whole number (a uniform alpha, an opaque
// image) it stays that number, while the toolkit's truncation turns about half of such pixels one lower (an opaque
// image partly 254). Every output pixel depends only on its own position, so a part of the scaled image is exactly
// that part of the whole.
//
// Owned by whoever scales; holds a pointer into the source image, which must outlive it. GUI thread only, like
// the images themselves.
#include <memory>

#include <wx/image.h>

class CImageScaler
{
public:
    // Scales the source (OK; a mask plays no part, as in the toolkit's filters) to width x height, both positive;
    // the rows produced hold the columns [left, left + count) of the scaled image (0 <= left, left + count <= width,
    // count > 0). The same size as the source gives the source's own pixels.
    CImageScaler(const wxImage& source, int width, int height, int left, int count);
    ~CImageScaler();
    CImageScaler(const CImageScaler&) = delete;
    CImageScaler& operator=(const CImageScaler&) = delete;

    // Whether the rows carry alpha: exactly when the source does.
    bool HasAlpha() const;
    // Row y (0 <= y < height) of the asked columns: 3 * count bytes of colour and, with alpha, count bytes of alpha.
    // Rows asked from top to bottom reuse the filtered source rows they share.
    void Row(int y, unsigned char* rgb, unsigned char* alpha);

    // One filter kind; the scaler picks the toolkit's choice for the sizes. Holds what every kind reads.
    class CFilter
    {
    public:
        CFilter(const wxImage& source, int height, int count);
        virtual ~CFilter() = default;
        virtual void Row(int y, unsigned char* rgb, unsigned char* alpha) = 0;

    protected:
        const unsigned char* m_rgb;
        const unsigned char* m_alpha;  // null when the source has no alpha
        int m_sourceWidth;
        int m_sourceHeight;
        int m_height;  // of the scaled image
        int m_count;   // columns of each row
    };

private:
    std::unique_ptr<CFilter> m_filter;
    bool m_hasAlpha;
};

// The whole source scaled to width x height with high quality, like wxImage::Scale(width, height,
// wxIMAGE_QUALITY_HIGH): the same size gives the source itself, a mask is kept, and an invalid image or a size that
// is not positive gives an invalid image.
wxImage ScaleHighQuality(const wxImage& source, int width, int height);
