#pragma once
// Text helpers of the XDG file association: the desktop entry's Exec quoting and the edits of mimeapps.list.
// Pure functions on UTF-8 bytes, kept apart from the file handling so that each rule can be checked alone.
#include <string>

// Quotes a program path as the first argument of a desktop entry's Exec key: double quotes, the characters
// " ` $ \ escaped for the quoting, then backslashes doubled for the value, and % doubled against field codes.
// False (exec untouched) when the path is not absolute or holds a control character, which no Exec value can
// carry.
bool QuoteDesktopExecArgument(const std::string& path, std::string& exec);

// mimeapps.list with desktopId as the default application of mimeType in [Default Applications]. Every other
// line is kept as it is; the section is added when it is missing.
std::string SetDefaultApplication(const std::string& text, const std::string& mimeType, const std::string& desktopId);

// mimeapps.list without desktopId among the default applications of mimeType (the entry goes when nothing else is
// left in it). Returns the text unchanged, byte for byte, when desktopId is not there.
std::string RemoveDefaultApplication(const std::string& text, const std::string& mimeType,
                                     const std::string& desktopId);
