#include "links/link_text.h"

#include <limits>

bool ParseDecimal(const wxString& text, int& number)
{
    long value = 0;
    // ToLong accepts leading blanks and a sign and fails unless the whole text is used.
    if (!text.ToLong(&value, 10) || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return false;
    number = static_cast<int>(value);
    return true;
}
