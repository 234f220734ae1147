#pragma once
// The program's own log levels above the toolkit's: protocol detail and value traces of the device links.
// Every module logs through the toolkit's functions; the program's log target filters by these numbers.
#include <wx/log.h>

enum : wxLogLevel
{
    LOG_VERBOSE2 = wxLOG_User,      // 100, shown from -vv
    LOG_VERBOSE3 = wxLOG_User + 1,  // 101, shown from -vvv
    LOG_VERBOSE4 = wxLOG_User + 2,  // 102, protocol failures and notices, shown from -vvvv
    LOG_VERBOSE5 = wxLOG_User + 3,  // 103, connection progress and every value change, shown from -vvvvv
};

// printf-style logging at the two protocol levels.
#define LogVerbose4(...) wxLogGeneric(LOG_VERBOSE4, __VA_ARGS__)
#define LogVerbose5(...) wxLogGeneric(LOG_VERBOSE5, __VA_ARGS__)
