#pragma once
// Line framing of the device protocol: bytes in, complete lines out.
//
// A line ends with LF; one CR right before the LF is dropped. Lines that start with '!' (notifications) or '+'
// (intermediate lines) can be skipped by the reader. A line may not exceed kMaxLineBytes: a longer one is reported
// once and then discarded up to its LF, so the buffer never holds much more than one maximal line plus one chunk.
//
// Not thread-safe: one reader at a time (the line client serialises its readers).
#include <cstddef>
#include <string>

#include <wx/string.h>

class CLineBuffer
{
public:
    // The longest line accepted from a device, in bytes, without its terminator.
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    enum class Result
    {
        Line,      // a line was cut and is in the out parameter
        Skipped,   // a line was dropped (an asynchronous or intermediate line, or the tail of an over-long line)
        NeedMore,  // no complete line is buffered
        Overlong,  // the pending line is longer than kMaxLineBytes; it is being discarded
    };

    void Append(const char* data, std::size_t size);

    // Cuts at most one line from the front. With keepAsync false, lines starting with '!' or '+' are Skipped.
    Result Next(std::string& line, bool keepAsync);

    // Forgets an over-long line being discarded (a new stream starts with a fresh line).
    void EndDiscard() { m_discarding = false; }

    bool IsDiscarding() const { return m_discarding; }
    // Bytes held (not yet returned as lines).
    std::size_t Size() const { return m_data.size() - m_start; }

private:
    void Consume(std::size_t end);
    void Drop();

    std::string m_data;
    std::size_t m_start = 0;  // first byte not yet returned
    std::size_t m_scan = 0;   // bytes before this offset are known to hold no LF
    bool m_discarding = false;
};

// Decodes UTF-8 into wide text. Bytes that are not valid UTF-8 become U+FFFD each, so a damaged line stays visible
// as such rather than turning into an empty (and therefore valid-looking) answer.
wxString DecodeUtf8(const char* data, std::size_t size);
// The same into out, decoding through scratch: a reader that decodes many lines reuses both buffers.
void DecodeUtf8(const char* data, std::size_t size, std::wstring& scratch, wxString& out);
