#pragma once
// CBoxFilter: the toolkit's box average for images that shrink in both directions. Every output pixel averages the
// source pixels of its box, colours weighted by their alpha. The sums are whole numbers, so they are kept in
// integers and divided exactly as the toolkit divides them: the bytes are the toolkit's. Created and owned by
// CImageScaler.
#include <cstdint>
#include <vector>

#include "theme/image_scale.h"

// The source pixels [start, end] that output pixel `index` of `newLength` averages out of `oldLength`.
struct CBoxSpan
{
    int start;
    int end;
};
CBoxSpan BoxSpanAt(int index, int newLength, int oldLength);

class CBoxFilter : public CImageScaler::CFilter
{
public:
    CBoxFilter(const wxImage& source, int width, int height, int left, int count);
    void Row(int y, unsigned char* rgb, unsigned char* alpha) override;

private:
    void AddSourceRow(int sourceRow);

    std::vector<CBoxSpan> m_columns;  // per output column
    std::vector<uint64_t> m_sums;     // four per output column: red, green, blue (times alpha), alpha
};
