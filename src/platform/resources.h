#pragma once
// The program's own pictures: the icon in sizes from 16 to 256 pixels and the two logos (31 x 29 and 19 x 17),
// PNG files compiled into the binary so that the program needs no files beside it to show them.
#include <cstddef>
#include <vector>

#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/string.h>

struct CResourceBytes
{
    const unsigned char* data = nullptr;
    size_t size = 0;  // 0 when there is no such picture
};

// PNG bytes of a picture by its file name ("icon_48.png", "logo_31x29.png"). Any thread.
CResourceBytes GetResourceBytes(const wxString& name);

// The sizes in which the program icon exists, smallest first. Any thread.
std::vector<int> GetProgramIconSizes();

// The program icon in every size, for the windows' title bars and task bars. GUI thread.
wxIconBundle GetProgramIcons();

// The large (31 x 29) or small (19 x 17) logo; an invalid bitmap if it cannot be decoded. GUI thread.
wxBitmap GetLogoBitmap(bool large);
