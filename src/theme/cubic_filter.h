#pragma once
// CCubicFilter: the toolkit's cubic B-spline scaling, separably: source rows are filtered horizontally into float
// rows (kept in a small cache of four, since neighbouring output rows share them), and four of those are combined
// vertically into each output row. Created and owned by CImageScaler.
#include <vector>

#include "theme/image_scale.h"

// Sample positions and weights of one output pixel along one axis, as the toolkit computes them: the output index
// d maps to the source position d * (old - 1) / (new - 1) (the centre when new is 1), the four source pixels from
// one before to two after it are clamped to the image, and each weighs the B-spline of its distance.
struct CCubicTaps
{
    int offset[4];
    double weight[4];
};
CCubicTaps CubicTapsAt(int index, int newLength, int oldLength);

class CCubicFilter : public CImageScaler::CFilter
{
public:
    CCubicFilter(const wxImage& source, int width, int height, int left, int count);
    void Row(int y, unsigned char* rgb, unsigned char* alpha) override;

private:
    // The cache slot that holds the horizontally filtered source row, filling one that none of `needed` uses.
    int SlotFor(int sourceRow, const int needed[4]);
    void FilterRow(int sourceRow, int slot);
    float* Plane(int slot, int channel) { return m_rows.data() + (static_cast<size_t>(slot) * 4 + channel) * m_count; }

    int m_first = 0;  // the source columns that the asked columns reach: [m_first, m_first + m_span)
    int m_span = 0;
    std::vector<int> m_offsets;  // four per output column, relative to m_first
    std::vector<float> m_weights;
    std::vector<float> m_premultiplied;  // four planes of m_span: one source row
    std::vector<float> m_rows;           // four cache slots of four planes of m_count
    int m_tags[4] = {-1, -1, -1, -1};    // the source row in each slot
};
