// The sample positions and weights are computed in doubles with the very expressions the toolkit uses, so both
// pick the same source pixels; only the sums run in floats. Built without contraction of multiply-adds.
#include "theme/cubic_filter.h"

#include <algorithm>

#include "theme/scale_rows.h"

namespace
{
double SplineCube(double value)
{
    return value <= 0.0 ? 0.0 : value * value * value;
}

double SplineWeight(double value)
{
    return (SplineCube(value + 2) - 4 * SplineCube(value + 1) + 6 * SplineCube(value) - 4 * SplineCube(value - 1)) / 6;
}

// A weight for the float sums. Weights below 1e-15 (a sample position a rounding error away from a source pixel
// gives a far neighbour such a weight, sometimes slightly negative) cannot move a byte of any pixel that shows;
// they become 0, which keeps the sums out of the slow range of tiny floats.
float FloatWeight(double weight)
{
    return weight > -1e-15 && weight < 1e-15 ? 0.0f : static_cast<float>(weight);
}
}  // namespace

CCubicTaps CubicTapsAt(int index, int newLength, int oldLength)
{
    const double position = newLength > 1
                                ? static_cast<double>(index) * (static_cast<double>(oldLength - 1) / (newLength - 1))
                                : static_cast<double>(oldLength - 1) / 2.0;
    const double fraction = position - static_cast<int>(position);
    CCubicTaps taps;
    for (int k = -1; k <= 2; ++k)
    {
        taps.offset[k + 1] = position + k < 0.0          ? 0
                             : position + k >= oldLength ? oldLength - 1
                                                         : static_cast<int>(position + k);
        taps.weight[k + 1] = SplineWeight(k - fraction);
    }
    return taps;
}

CCubicFilter::CCubicFilter(const wxImage& source, int width, int height, int left, int count)
    : CFilter(source, height, count),
      m_offsets(static_cast<size_t>(count) * 4),
      m_weights(static_cast<size_t>(count) * 4),
      m_rows(static_cast<size_t>(count) * 16)
{
    int first = m_sourceWidth;
    int last = 0;
    for (int j = 0; j < count; ++j)
    {
        const CCubicTaps taps = CubicTapsAt(left + j, width, m_sourceWidth);
        for (int k = 0; k < 4; ++k)
        {
            m_offsets[k * static_cast<size_t>(count) + j] = taps.offset[k];
            m_weights[k * static_cast<size_t>(count) + j] = FloatWeight(taps.weight[k]);
            first = std::min(first, taps.offset[k]);
            last = std::max(last, taps.offset[k]);
        }
    }
    m_first = first;
    m_span = last - first + 1;
    for (int& offset : m_offsets)
        offset -= first;
    m_premultiplied.resize(static_cast<size_t>(m_span) * 4);
}

int CCubicFilter::SlotFor(int sourceRow, const int needed[4])
{
    for (int slot = 0; slot < 4; ++slot)
    {
        if (m_tags[slot] == sourceRow)
            return slot;
    }
    for (int slot = 0; slot < 4; ++slot)
    {
        if (std::find(needed, needed + 4, m_tags[slot]) == needed + 4)
        {
            FilterRow(sourceRow, slot);
            return slot;
        }
    }
    return 0;  // not reached: four slots always hold room for four rows
}

void CCubicFilter::FilterRow(int sourceRow, int slot)
{
    const size_t start = static_cast<size_t>(sourceRow) * m_sourceWidth + m_first;
    float* const premultiplied[4] = {m_premultiplied.data(), m_premultiplied.data() + m_span,
                                     m_premultiplied.data() + 2 * m_span, m_premultiplied.data() + 3 * m_span};
    PremultiplyRow(m_rgb + 3 * start, m_alpha ? m_alpha + start : nullptr, m_span, premultiplied);
    float* const out[4] = {Plane(slot, 0), Plane(slot, 1), Plane(slot, 2), Plane(slot, 3)};
    CubicHorizontalRow(premultiplied, m_alpha ? 4 : 3, m_offsets.data(), m_weights.data(), m_count, out);
    m_tags[slot] = sourceRow;
}

void CCubicFilter::Row(int y, unsigned char* rgb, unsigned char* alpha)
{
    const CCubicTaps taps = CubicTapsAt(y, m_height, m_sourceHeight);
    const float* rows[4][4];
    float weights[4];
    for (int k = 0; k < 4; ++k)
    {
        const int slot = SlotFor(taps.offset[k], taps.offset);
        for (int c = 0; c < 4; ++c)
            rows[k][c] = Plane(slot, c);
        weights[k] = FloatWeight(taps.weight[k]);
    }
    CubicVerticalRow(rows, weights, m_count, m_alpha != nullptr, rgb, alpha);
}
