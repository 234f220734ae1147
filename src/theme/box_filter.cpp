#include "theme/box_filter.h"

#include <algorithm>

CBoxSpan BoxSpanAt(int index, int newLength, int oldLength)
{
    // The box of output pixel d covers the source from old * d / new to old * (d + 1) / new, the end pixel left out
    // when the division is exact.
    const int64_t begin = static_cast<int64_t>(oldLength) * index;
    const int64_t end = begin + oldLength;
    return {static_cast<int>(begin / newLength),
            static_cast<int>(end % newLength != 0 ? end / newLength : end / newLength - 1)};
}

CBoxFilter::CBoxFilter(const wxImage& source, int width, int height, int left, int count)
    : CFilter(source, height, count), m_columns(count), m_sums(static_cast<size_t>(count) * 4)
{
    for (int j = 0; j < count; ++j)
        m_columns[j] = BoxSpanAt(left + j, width, m_sourceWidth);
}

void CBoxFilter::AddSourceRow(int sourceRow)
{
    const size_t row = static_cast<size_t>(sourceRow) * m_sourceWidth;
    const unsigned char* rgb = m_rgb + 3 * row;
    const unsigned char* alpha = m_alpha ? m_alpha + row : nullptr;
    for (int j = 0; j < m_count; ++j)
    {
        uint64_t* sums = &m_sums[4 * static_cast<size_t>(j)];
        uint64_t r = 0, g = 0, b = 0, a = 0;
        for (int i = m_columns[j].start; i <= m_columns[j].end; ++i)
        {
            const uint64_t weight = alpha ? alpha[i] : 1;
            r += rgb[3 * i] * weight;
            g += rgb[3 * i + 1] * weight;
            b += rgb[3 * i + 2] * weight;
            a += weight;
        }
        sums[0] += r;
        sums[1] += g;
        sums[2] += b;
        sums[3] += a;
    }
}

void CBoxFilter::Row(int y, unsigned char* rgb, unsigned char* alpha)
{
    const CBoxSpan rows = BoxSpanAt(y, m_height, m_sourceHeight);
    std::fill(m_sums.begin(), m_sums.end(), 0);
    for (int sourceRow = rows.start; sourceRow <= rows.end; ++sourceRow)
        AddSourceRow(sourceRow);
    for (int j = 0; j < m_count; ++j)
    {
        const uint64_t* sums = &m_sums[4 * static_cast<size_t>(j)];
        const double pixels =
            static_cast<double>(rows.end - rows.start + 1) * (m_columns[j].end - m_columns[j].start + 1);
        // Colours weighted by alpha are divided by the alpha sum, the alpha by the pixel count; both truncate.
        const double divisor = m_alpha ? static_cast<double>(sums[3]) : pixels;
        for (int c = 0; c < 3; ++c)
            rgb[3 * j + c] = divisor != 0 ? static_cast<unsigned char>(static_cast<double>(sums[c]) / divisor) : 0;
        if (m_alpha)
            alpha[j] = static_cast<unsigned char>(static_cast<double>(sums[3]) / pixels);
    }
}
