#pragma once
// Reading the files of a theme through the directory tree: directories that really exist, images and the
// definition files (index.xml) of backgrounds and LED folders. GUI thread only.
#include <memory>

#include <wx/string.h>

class CDir;
class CImage;
class wxXmlNode;

// The handle names a directory that exists (a root handle may name a path that does not).
bool IsValidDirectory(const CDir& dir);

// Loads the image file `name` of `dir`, its format recognised from its content. False when the file cannot be
// opened or decoded; the image is then left as it was.
bool LoadImageFile(const CDir& dir, const wxString& name, CImage& image);

// The text "<directory path>/<name>" used in messages about files of a directory.
wxString PathInDirectory(const CDir& dir, const wxString& name);
