#include "theme/image_scale.h"

#include <cstring>

#include "theme/box_filter.h"
#include "theme/cubic_filter.h"

namespace
{
// The same size: the source's own pixels, as the toolkit returns the image itself.
class CCopyFilter : public CImageScaler::CFilter
{
public:
    CCopyFilter(const wxImage& source, int left, int count) : CFilter(source, source.GetHeight(), count), m_left(left)
    {
    }
    void Row(int y, unsigned char* rgb, unsigned char* alpha) override
    {
        const size_t start = static_cast<size_t>(y) * m_sourceWidth + m_left;
        std::memcpy(rgb, m_rgb + 3 * start, 3 * static_cast<size_t>(m_count));
        if (m_alpha)
            std::memcpy(alpha, m_alpha + start, m_count);
    }

private:
    int m_left;
};

std::unique_ptr<CImageScaler::CFilter> MakeFilter(const wxImage& source, int width, int height, int left, int count)
{
    const int oldWidth = source.GetWidth();
    const int oldHeight = source.GetHeight();
    if (width == oldWidth && height == oldHeight)
        return std::make_unique<CCopyFilter>(source, left, count);
    // The toolkit averages boxes only when both sides shrink; anything else goes through the cubic filter.
    if (width < oldWidth && height < oldHeight)
        return std::make_unique<CBoxFilter>(source, width, height, left, count);
    return std::make_unique<CCubicFilter>(source, width, height, left, count);
}
}  // namespace

CImageScaler::CFilter::CFilter(const wxImage& source, int height, int count)
    : m_rgb(source.GetData()),
      m_alpha(source.GetAlpha()),
      m_sourceWidth(source.GetWidth()),
      m_sourceHeight(source.GetHeight()),
      m_height(height),
      m_count(count)
{
}

CImageScaler::CImageScaler(const wxImage& source, int width, int height, int left, int count)
    : m_filter(MakeFilter(source, width, height, left, count)), m_hasAlpha(source.HasAlpha())
{
}

CImageScaler::~CImageScaler() = default;

bool CImageScaler::HasAlpha() const
{
    return m_hasAlpha;
}

void CImageScaler::Row(int y, unsigned char* rgb, unsigned char* alpha)
{
    m_filter->Row(y, rgb, alpha);
}

wxImage ScaleHighQuality(const wxImage& source, int width, int height)
{
    if (!source.IsOk() || width <= 0 || height <= 0)
        return wxImage();
    if (width == source.GetWidth() && height == source.GetHeight())
        return source;
    wxImage scaled(width, height, false);
    if (source.HasAlpha())
        scaled.SetAlpha();
    CImageScaler scaler(source, width, height, 0, width);
    unsigned char* rgb = scaled.GetData();
    unsigned char* alpha = scaled.GetAlpha();
    for (int y = 0; y < height; ++y)
    {
        const size_t row = static_cast<size_t>(y) * width;
        scaler.Row(y, rgb + 3 * row, alpha ? alpha + row : nullptr);
    }
    if (source.HasMask())
        scaled.SetMaskColour(source.GetMaskRed(), source.GetMaskGreen(), source.GetMaskBlue());
    return scaled;
}
