// Feeds arbitrary device bytes to the line framing in arbitrary chunks and checks its promises: lines never hold an
// LF, never exceed the limit, and the buffer stays bounded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/line_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    CLineBuffer buffer;
    const bool keepAsync = data[0] & 1;
    const std::size_t chunk = 1 + (data[0] >> 1);
    std::string line;
    for (std::size_t at = 1; at < size; at += chunk)
    {
        const std::size_t length = at + chunk <= size ? chunk : size - at;
        buffer.Append(reinterpret_cast<const char*>(data + at), length);
        for (CLineBuffer::Result result; (result = buffer.Next(line, keepAsync)) != CLineBuffer::Result::NeedMore;)
        {
            if (result != CLineBuffer::Result::Line)
                continue;
            if (line.find('\n') != std::string::npos || line.size() > CLineBuffer::kMaxLineBytes)
                std::abort();
            if (!keepAsync && !line.empty() && (line[0] == '!' || line[0] == '+'))
                std::abort();
            DecodeUtf8(line.data(), line.size());
        }
        if (buffer.Size() > CLineBuffer::kMaxLineBytes + chunk)
            std::abort();
    }
    return 0;
}
