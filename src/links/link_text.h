#pragma once
// Small text rules shared by the hosts and the links.
#include <wx/string.h>

// A whole text as a plain decimal integer (leading blanks and a sign allowed, nothing after the digits, 32-bit
// range); false, without a message, when it is not one.
bool ParseDecimal(const wxString& text, int& number);

// Equal without regard to case.
inline bool EqualsNoCase(const wxString& left, const wxString& right)
{
    return left.CmpNoCase(right) == 0;
}

// A device answer starting with '*': the device refused the command; the rest says why.
inline bool IsRefusal(const wxString& answer)
{
    return !answer.empty() && answer[0] == '*';
}
