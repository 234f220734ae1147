#pragma once
// A bare TCP line client for tests that talk to a device peer without the program's own protocol classes (the
// device simulator's tests, benchmark references). Every wait is bounded. One thread at a time.
#include <string>

namespace orvtest
{
class RawLineClient
{
public:
    RawLineClient() = default;
    ~RawLineClient();
    RawLineClient(const RawLineClient&) = delete;
    RawLineClient& operator=(const RawLineClient&) = delete;

    // Connects to 127.0.0.1:port.
    bool Connect(int port, int timeoutMs = 2000);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    bool SendLine(const std::string& line);  // the line and an LF
    bool SendRaw(const std::string& bytes);
    // The next line without its LF (a CR is kept); false when none came in time or the peer closed.
    bool ReadLine(std::string& line, int timeoutMs = 2000);
    // Sends a command and returns the first line that is not a notification ('!') or intermediate line ('+');
    // empty when none came in time.
    std::string Ask(const std::string& command, int timeoutMs = 2000);
    // True when the peer closes the connection within the time (lines received meanwhile are dropped).
    bool WaitClosed(int timeoutMs = 2000);
    // Bytes received but not yet returned as lines.
    const std::string& Pending() const { return m_pending; }

private:
    int Fill(int timeoutMs);  // 1 bytes added, 0 time-out, -1 closed or failed

    int m_fd = -1;
    std::string m_pending;
};
}  // namespace orvtest
