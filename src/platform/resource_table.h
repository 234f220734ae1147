#pragma once
// The table of embedded pictures that the build generates from resources/ (see cmake/OrvEmbed.cmake). Only the
// resources layer reads it; everything else asks platform/resources.h.
#include <cstddef>

struct CResourceEntry
{
    const char* name;  // file name under resources/, e.g. "icon_48.png"
    const unsigned char* data;
    size_t size;
};

extern const CResourceEntry kResourceEntries[];
extern const size_t kResourceEntryCount;
