#pragma once
// Tables that turn the words of theme files (modes, font keywords, label corners) into numbers.
#include <cstddef>

#include <wx/string.h>

struct CKeyword
{
    const char* name;
    int value;
};

// The value of the first entry whose name equals the text, compared without regard to case when asked; else
// `notFound`.
template <size_t N>
int FindKeyword(const CKeyword (&table)[N], const wxString& text, bool ignoreCase, int notFound = -1)
{
    for (const CKeyword& keyword : table)
    {
        if (ignoreCase ? text.CmpNoCase(keyword.name) == 0 : text == keyword.name)
            return keyword.value;
    }
    return notFound;
}
