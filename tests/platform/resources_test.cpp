#include "platform/resources.h"

#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/mstream.h>

TEST(Resources, EveryPictureIsAPngOfItsSize)
{
    wxImage::AddHandler(new wxPNGHandler);
    struct Expected
    {
        wxString name;
        int width;
        int height;
    };
    std::vector<Expected> pictures = {{"logo_31x29.png", 31, 29}, {"logo_19x17.png", 19, 17}};
    for (int size : GetProgramIconSizes())
        pictures.push_back({wxString::Format("icon_%d.png", size), size, size});
    EXPECT_EQ(GetProgramIconSizes().front(), 16);
    EXPECT_EQ(GetProgramIconSizes().back(), 256);
    for (const Expected& picture : pictures)
    {
        SCOPED_TRACE(picture.name.ToStdString());
        const CResourceBytes bytes = GetResourceBytes(picture.name);
        ASSERT_GT(bytes.size, 0u);
        wxMemoryInputStream stream(bytes.data, bytes.size);
        wxImage image(stream, wxBITMAP_TYPE_PNG);
        ASSERT_TRUE(image.IsOk());
        EXPECT_EQ(image.GetWidth(), picture.width);
        EXPECT_EQ(image.GetHeight(), picture.height);
        EXPECT_TRUE(image.HasAlpha());
    }
    EXPECT_EQ(GetResourceBytes("missing.png").size, 0u);
}
