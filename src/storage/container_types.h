#pragma once
// The process-wide table of container types: under which file extension, and with which cipher key, a directory
// may also exist as an archive file. A type is an index into the table; rows are never removed.
//
// Thread contract: any thread; every operation takes the storage lock.
#include <mutex>

#include <wx/string.h>

enum ContainerType : int
{
    kContainerDirectory = 0,  // plain directories, no archive
    kContainerPackage = 3,    // zip archive inside the encrypted package stream
    kContainerZip = 4,        // plain zip archive
};

// The lock that guards the container table; the start-up module holds it while it registers the first roots.
std::recursive_mutex& StorageLock();

// Makes sure the built-in rows are present (they are from the first use of the table on).
void RegisterContainerTypes();
// Appends a row with this extension, the package key and the package type as alias; returns its index.
int AddContainerAlias(const wxString& extension);

wxString GetContainerExtension(int type);
wxString GetContainerKey(int type);
// Extension of the row that the alias chain of `type` ends in ("vks" for every package alias); "" when the
// chain does not end within a few steps or the type is unknown.
wxString GetContainerTag(int type);
// "<name>.<extension>": the file that holds the archive form of directory `name`.
wxString GetArchiveFileName(const wxString& name, int type);
