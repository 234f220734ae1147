#pragma once
// Start and stop of the operating system's socket layer around the program's run. On Windows this is
// Windows Sockets 2.2; on POSIX systems there is nothing to start.

// Starts the socket layer; false when it is not available in the required version (nothing is left started).
bool StartSocketLayer();
// Stops what StartSocketLayer started.
void StopSocketLayer();
