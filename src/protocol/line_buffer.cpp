#include "protocol/line_buffer.h"

#include <cstring>

void CLineBuffer::Append(const char* data, std::size_t size)
{
    m_data.append(data, size);
}

void CLineBuffer::Consume(std::size_t end)
{
    m_start = end;
    m_scan = end;
    // Move the rest to the front only once the consumed part dominates, so that cutting many short lines out of a
    // large chunk stays linear.
    if (m_start == m_data.size())
    {
        m_data.clear();
        m_start = m_scan = 0;
    }
    else if (m_start > 4096 && m_start * 2 > m_data.size())
    {
        m_data.erase(0, m_start);
        m_start = m_scan = 0;
    }
}

void CLineBuffer::Drop()
{
    m_data.clear();
    m_start = m_scan = 0;
}

CLineBuffer::Result CLineBuffer::Next(std::string& line, bool keepAsync)
{
    const std::size_t from = m_scan > m_start ? m_scan : m_start;
    const std::size_t lf = m_data.find('\n', from);
    if (lf == std::string::npos)
    {
        if (m_discarding)
        {
            Drop();
            return Result::NeedMore;
        }
        if (Size() > kMaxLineBytes)
        {
            Drop();
            m_discarding = true;
            return Result::Overlong;
        }
        m_scan = m_data.size();
        return Result::NeedMore;
    }
    const std::size_t begin = m_start;
    const std::size_t length = lf - begin;
    if (m_discarding)
    {
        m_discarding = false;
        Consume(lf + 1);
        return Result::Skipped;
    }
    if (length > kMaxLineBytes)
    {
        Consume(lf + 1);
        return Result::Overlong;
    }
    const char first = length > 0 ? m_data[begin] : '\0';
    if (!keepAsync && (first == '!' || first == '+'))
    {
        Consume(lf + 1);
        return Result::Skipped;
    }
    std::size_t kept = length;
    if (kept > 0 && m_data[begin + kept - 1] == '\r')
        --kept;
    line.assign(m_data, begin, kept);
    Consume(lf + 1);
    return Result::Line;
}

namespace
{
constexpr wchar_t kReplacement = 0xFFFD;

// Length of the UTF-8 sequence starting at data[0] and its code point; 0 when the bytes are not a valid sequence.
std::size_t DecodeOne(const unsigned char* data, std::size_t size, unsigned long& code)
{
    const unsigned char lead = data[0];
    std::size_t length;
    unsigned long minimum;
    if (lead < 0x80)
    {
        code = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
    {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    }
    else
        return 0;
    if (length > size)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
    {
        if ((data[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (data[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}
void AppendCode(std::wstring& text, unsigned long code)
{
    if (sizeof(wchar_t) == 2 && code > 0xFFFF)
    {
        code -= 0x10000;
        text += static_cast<wchar_t>(0xD800 + (code >> 10));
        text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
    else
        text += static_cast<wchar_t>(code);
}
}  // namespace

void DecodeUtf8(const char* data, std::size_t size, std::wstring& scratch, wxString& out)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    scratch.clear();
    for (std::size_t i = 0; i < size;)
    {
        unsigned long code = 0;
        std::size_t length = DecodeOne(bytes + i, size - i, code);
        if (length == 0)
        {
            scratch += kReplacement;
            ++i;
        }
        else
        {
            AppendCode(scratch, code);
            i += length;
        }
    }
    out.assign(scratch.data(), scratch.size());
}

wxString DecodeUtf8(const char* data, std::size_t size)
{
    std::wstring scratch;
    wxString text;
    DecodeUtf8(data, size, scratch, text);
    return text;
}
