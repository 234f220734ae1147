#pragma once
// CTelnetClient: one TCP connection to one device, carrying lines of text both ways (UTF-8 on the wire, wide text
// here). It connects, sends one formatted command line per call and hands received data back a line at a time
// with a bounded wait. Lines starting with '!' (notifications) or '+' (intermediate lines) can be skipped.
//
// Threads: one client is used by several threads at once. Readers (ReadLine) are serialised among themselves;
// senders are serialised by their owner (the request lock of the notification channel); Disconnect may run on any
// thread at any time, also while another thread is blocked reading or sending: it shuts the socket down, which
// wakes that thread, and the descriptor itself is closed only after the last thread using it has let go of it, so
// no thread ever touches a descriptor number that the system may already have handed to another socket.
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/string.h>

#include "protocol/line_buffer.h"

class CTelnetClient
{
public:
    // Result codes shared by the protocol layers.
    enum
    {
        kOk = 0,
        kNotConnected = 1,
        kSendFailed = 2,
        kOptionRefused = 3,
        kReceiveFailed = 4,
        kNoLine = 5,
    };
    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr int kDefaultConnectTimeoutMs = 5000;
    static constexpr std::size_t kReadChunk = 1024;

    CTelnetClient();
    virtual ~CTelnetClient();
    CTelnetClient(const CTelnetClient&) = delete;
    CTelnetClient& operator=(const CTelnetClient&) = delete;

    // Resolves host and connects to the first of its addresses that accepts: 0 connected, 1 failed. The attempt
    // ends after the connect timeout or as soon as a stop is requested. Any thread; closes an earlier connection.
    virtual int Connect(const wxString& host, int port);
    // Closes the connection (idempotent). The receive buffer is kept. Any thread.
    virtual void Disconnect();
    // Formats a command line (wide C printf conventions: %ls for wide text, %d, positional %1$ls) and sends it
    // with a final LF: 0 sent, 1 not connected, 2 no format or the send failed. Any thread, one sender at a time.
    virtual int Send(const wchar_t* format, ...);
    virtual int SendV(const wchar_t* format, va_list args);
    // Returns the next line without its terminator: 0 line, 1 not connected, 4 receive error, connection closed or
    // over-long line, 5 no complete line within the timeout. Any thread, one reader at a time.
    virtual int ReadLine(wxString& line, bool keepAsync);
    virtual bool IsConnected() const;

    // Sends text as it is, never as a format, with a final LF added when missing. Same results as Send.
    int SendText(const wxString& text);

    // Stores the read wait and applies it to the socket's receive option: 0, 1 not connected, 3 refused. Any thread.
    int SetTimeout(int ms);
    int GetTimeout() const { return m_timeout.load(); }

    // Upper bound of one Connect, all addresses together. Any thread.
    void SetConnectTimeout(int ms) { m_connectTimeout.store(ms); }
    int GetConnectTimeout() const { return m_connectTimeout.load(); }

    // While set, Connect fails at once and a connect in progress ends within a few milliseconds. Used by an owner
    // that is shutting down while its connecting thread may be waiting on a device that does not answer.
    void SetStopRequested(bool stop) { m_stopRequested.store(stop, std::memory_order_release); }
    bool IsStopRequested() const { return m_stopRequested.load(std::memory_order_acquire); }

protected:
    // Identifies the current connection (0: none); every successful Connect gets a new number.
    std::uint64_t ConnectionId() const;
    // Closes the connection only if it is still the one identified, so that a thread that saw a connection fail
    // cannot close a newer one that another thread opened meanwhile. True when it closed it.
    bool DisconnectConnection(std::uint64_t id);
    // ReadLine with keepAsync on the identified connection only (1 when it is no longer the current one), which
    // after the first line also appends every further complete line already received, without waiting again: a
    // reader that takes many lines at once pays the wait and the locks once. 0 when at least one line was appended,
    // else the result of the first read.
    int ReadLinesOn(std::uint64_t id, std::vector<wxString>& lines);

private:
    struct CConnection;
    using ConnectionPtr = std::shared_ptr<CConnection>;

    ConnectionPtr Acquire() const;
    bool IsCurrent(const ConnectionPtr& connection) const;
    ConnectionPtr AcquireForReading(std::uint64_t id) const;
    void StartReading(const ConnectionPtr& connection);
    int NextLine(const ConnectionPtr& connection, wxString& line, bool keepAsync);
    void TakeBufferedLines(const ConnectionPtr& connection, std::vector<wxString>& lines);
    int ReceiveChunk(const ConnectionPtr& connection);
    int SendBytes(const std::string& bytes);
    void ReportOverlongLine(const CConnection& connection);

    mutable std::mutex m_lock;  // guards m_connection and m_nextId
    ConnectionPtr m_connection;
    std::uint64_t m_nextId = 1;

    std::mutex m_readLock;  // one reader at a time; guards the fields below
    CLineBuffer m_buffer;
    std::uint64_t m_bufferConnection = 0;
    bool m_failPending = false;  // an over-long line was met after lines that were returned: the next read fails
    std::string m_raw;           // the line being cut, reused
    std::wstring m_decoded;      // the line being decoded, reused

    std::atomic<int> m_timeout{kDefaultTimeoutMs};
    std::atomic<int> m_connectTimeout{kDefaultConnectTimeoutMs};
    std::atomic<bool> m_stopRequested{false};
};
