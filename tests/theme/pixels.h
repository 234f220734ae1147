#pragma once
// Small images built pixel by pixel, and pixel reads that gtest can print, for exact compositing checks.
#include <ostream>
#include <string>

#include "theme/image.h"

namespace themetest
{
struct Px
{
    int r, g, b;
    int a;  // -1 when the image has no alpha channel
    bool operator==(const Px& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

inline std::ostream& operator<<(std::ostream& out, const Px& p)
{
    return out << "(" << p.r << "," << p.g << "," << p.b << " a=" << p.a << ")";
}

// A width x height image of one colour; alpha < 0 gives no alpha channel.
inline CImage Solid(int width, int height, int r, int g, int b, int alpha = -1)
{
    CImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), r, g, b);
    if (alpha >= 0)
    {
        image.InitAlpha();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.SetAlpha(x, y, static_cast<unsigned char>(alpha));
    }
    return image;
}

inline Px PixelAt(const wxImage& image, int x, int y)
{
    return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y),
            image.HasAlpha() ? image.GetAlpha(x, y) : -1};
}

inline void SetPixel(wxImage& image, int x, int y, const Px& p)
{
    image.SetRGB(x, y, p.r, p.g, p.b);
    if (p.a >= 0)
    {
        if (!image.HasAlpha())
            image.InitAlpha();
        image.SetAlpha(x, y, static_cast<unsigned char>(p.a));
    }
}

// One letter per pixel of a row, for patterns: the letter of the colour found in `legend` (index -> letter), '.'
// for a fully transparent pixel, '?' for anything else.
inline std::string RowPattern(const wxImage& image, int y, const std::string& legend, const Px* colours)
{
    std::string row;
    for (int x = 0; x < image.GetWidth(); ++x)
    {
        const Px p = PixelAt(image, x, y);
        char c = '?';
        if (p.a == 0)
            c = '.';
        for (size_t i = 0; i < legend.size() && c == '?'; ++i)
        {
            const Px& k = colours[i];
            if (p.r == k.r && p.g == k.g && p.b == k.b)
                c = legend[i];
        }
        row += c;
    }
    return row;
}
}  // namespace themetest
