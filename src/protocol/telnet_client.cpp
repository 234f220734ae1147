#include "protocol/telnet_client.h"

#include <cwchar>
#include <vector>

#include <wx/log.h>

#include "platform/socket.h"

namespace
{
// A formatted command never needs more; a format that keeps failing (for instance on text the C library cannot
// convert) ends here instead of growing the buffer for ever.
constexpr std::size_t kMaxFormattedChars = 16u * 1024 * 1024;
}  // namespace

// One connected socket. The descriptor is closed when the last holder lets go: the client holds the current
// connection, and each read or send holds the connection it works on for the duration of the call.
struct CTelnetClient::CConnection
{
    CConnection(SocketHandle handle, std::uint64_t id, const wxString& host, int port)
        : m_handle(handle), m_id(id), m_host(host), m_port(port)
    {
    }
    ~CConnection() { SocketClose(m_handle); }

    const SocketHandle m_handle;
    const std::uint64_t m_id;
    const wxString m_host;  // as passed to Connect, for messages
    const int m_port;
};

CTelnetClient::CTelnetClient() = default;

CTelnetClient::~CTelnetClient()
{
    CTelnetClient::Disconnect();
}

CTelnetClient::ConnectionPtr CTelnetClient::Acquire() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_connection;
}

bool CTelnetClient::IsCurrent(const ConnectionPtr& connection) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_connection == connection;
}

std::uint64_t CTelnetClient::ConnectionId() const
{
    ConnectionPtr connection = Acquire();
    return connection ? connection->m_id : 0;
}

bool CTelnetClient::IsConnected() const
{
    return Acquire() != nullptr;
}

int CTelnetClient::Connect(const wxString& host, int port)
{
    Disconnect();
    SocketHandle handle = kNoSocket;
    const std::string address(host.utf8_str());
    switch (SocketConnect(address, port, m_connectTimeout.load(), &m_stopRequested, handle))
    {
        case SocketConnectResult::Connected:
            break;
        case SocketConnectResult::NoSuchHost:
            wxLogError("Error no such host %s:%d", host, port);
            return kNotConnected;
        default:
            return kNotConnected;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    // A stop requested while the connect completed wins: the owner is shutting down.
    auto connection = std::make_shared<CConnection>(handle, m_nextId, host, port);
    if (IsStopRequested())
        return kNotConnected;
    ++m_nextId;
    m_connection = std::move(connection);
    return kOk;
}

void CTelnetClient::Disconnect()
{
    ConnectionPtr connection;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        connection.swap(m_connection);
    }
    // Wakes any thread blocked on the socket; the descriptor closes when that thread has let go of it too.
    if (connection)
        SocketShutdown(connection->m_handle);
}

bool CTelnetClient::DisconnectConnection(std::uint64_t id)
{
    ConnectionPtr connection;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_connection || m_connection->m_id != id)
            return false;
        connection.swap(m_connection);
    }
    SocketShutdown(connection->m_handle);
    return true;
}

int CTelnetClient::Send(const wchar_t* format, ...)
{
    if (!IsConnected())
        return kNotConnected;
    va_list args;
    va_start(args, format);
    int result = SendV(format, args);
    va_end(args);
    return result;
}

int CTelnetClient::SendV(const wchar_t* format, va_list args)
{
    if (!IsConnected())
        return kNotConnected;
    if (!format)
        return kSendFailed;
    std::size_t capacity = 2 * std::wcslen(format) + 1;
    std::vector<wchar_t> buffer;
    for (;;)
    {
        buffer.resize(capacity);
        va_list copy;
        va_copy(copy, args);
        int written = std::vswprintf(buffer.data(), capacity, format, copy);
        va_end(copy);
        if (written >= 0)
            return SendText(wxString(buffer.data(), static_cast<std::size_t>(written)));
        if (capacity >= kMaxFormattedChars)
            return kSendFailed;
        capacity *= 2;
    }
}

int CTelnetClient::SendText(const wxString& text)
{
    std::string bytes(text.utf8_str());
    if (bytes.empty() || bytes.back() != '\n')
        bytes += '\n';
    return SendBytes(bytes);
}

int CTelnetClient::SendBytes(const std::string& bytes)
{
    ConnectionPtr connection = Acquire();
    if (!connection)
        return kNotConnected;
    return SocketSendAll(connection->m_handle, bytes.data(), bytes.size()) ? kOk : kSendFailed;
}

int CTelnetClient::SetTimeout(int ms)
{
    m_timeout.store(ms);
    ConnectionPtr connection = Acquire();
    if (!connection)
        return kNotConnected;
    if (!SocketSetReceiveTimeout(connection->m_handle, ms))
    {
        wxLogError("Can not set socket timeout (%d)", SocketLastError());
        return kOptionRefused;
    }
    return kOk;
}

int CTelnetClient::ReadLine(wxString& line, bool keepAsync)
{
    line.clear();
    ConnectionPtr connection = Acquire();
    if (!connection)
        return kNotConnected;
    std::lock_guard<std::mutex> reader(m_readLock);
    StartReading(connection);
    return NextLine(connection, line, keepAsync);
}

CTelnetClient::ConnectionPtr CTelnetClient::AcquireForReading(std::uint64_t id) const
{
    ConnectionPtr connection = Acquire();
    return connection && connection->m_id == id ? connection : nullptr;
}

int CTelnetClient::ReadLinesOn(std::uint64_t id, std::vector<wxString>& lines)
{
    ConnectionPtr connection = AcquireForReading(id);
    if (!connection)
        return kNotConnected;
    std::lock_guard<std::mutex> reader(m_readLock);
    StartReading(connection);
    lines.emplace_back();
    const int result = NextLine(connection, lines.back(), true);
    if (result != kOk)
    {
        lines.pop_back();
        return result;
    }
    TakeBufferedLines(connection, lines);
    return kOk;
}

// Read lock held.
void CTelnetClient::StartReading(const ConnectionPtr& connection)
{
    if (m_bufferConnection == connection->m_id)
        return;
    // The tail of an over-long line of an earlier connection says nothing about this one.
    m_buffer.EndDiscard();
    m_failPending = false;
    m_bufferConnection = connection->m_id;
}

// Read lock held. The next line, waiting for at most one chunk of data after the buffer has run dry.
int CTelnetClient::NextLine(const ConnectionPtr& connection, wxString& line, bool keepAsync)
{
    if (m_failPending)
    {
        m_failPending = false;
        return kReceiveFailed;
    }
    bool justReceived = false;
    for (;;)
    {
        switch (m_buffer.Next(m_raw, keepAsync))
        {
            case CLineBuffer::Result::Line:
                DecodeUtf8(m_raw.data(), m_raw.size(), m_decoded, line);
                return kOk;
            case CLineBuffer::Result::Overlong:
                ReportOverlongLine(*connection);
                return kReceiveFailed;
            case CLineBuffer::Result::Skipped:
                justReceived = false;
                continue;
            case CLineBuffer::Result::NeedMore:
                break;
        }
        if (justReceived)
            return kNoLine;
        int result = ReceiveChunk(connection);
        if (result != kOk)
            return result;
        justReceived = true;
    }
}

// Read lock held. Appends the complete lines that are already buffered. An over-long line among them is reported
// now and fails the next read, so that the lines before it are still delivered.
void CTelnetClient::TakeBufferedLines(const ConnectionPtr& connection, std::vector<wxString>& lines)
{
    for (;;)
    {
        switch (m_buffer.Next(m_raw, true))
        {
            case CLineBuffer::Result::Line:
                lines.emplace_back();
                DecodeUtf8(m_raw.data(), m_raw.size(), m_decoded, lines.back());
                continue;
            case CLineBuffer::Result::Skipped:
                continue;
            case CLineBuffer::Result::Overlong:
                ReportOverlongLine(*connection);
                m_failPending = true;
                return;
            case CLineBuffer::Result::NeedMore:
                return;
        }
    }
}

// Waits for data and appends one chunk of at most kReadChunk bytes to the buffer: 0, or the code to return.
int CTelnetClient::ReceiveChunk(const ConnectionPtr& connection)
{
    const SocketHandle handle = connection->m_handle;
    switch (SocketWaitReadable(handle, m_timeout.load()))
    {
        case SocketWaitResult::TimedOut:
            return kNoLine;
        case SocketWaitResult::Failed:
            if (!IsCurrent(connection))
                return kReceiveFailed;  // disconnected by another thread while waiting: no message
            wxLogError("Socket recv failed (%d)", SocketLastError());
            return kReceiveFailed;
        case SocketWaitResult::Readable:
            break;
    }
    // Readable with nothing pending means the end of the stream (or an error) is waiting: receive anyway so that
    // it is seen now rather than reported as "no line" for ever.
    long pending = SocketPendingBytes(handle);
    std::size_t wanted = (pending <= 0 || pending > static_cast<long>(kReadChunk)) ? kReadChunk : pending;
    char chunk[kReadChunk];
    long got = SocketReceive(handle, chunk, wanted);
    if (got > 0)
    {
        m_buffer.Append(chunk, static_cast<std::size_t>(got));
        return kOk;
    }
    if (got == 0 || !IsCurrent(connection))
        return kReceiveFailed;  // the end of the stream, or disconnected by another thread while waiting
    if (SocketLastErrorIsTimeout())
        return kNoLine;
    wxLogError("Socket recv failed (%d)", SocketLastError());
    return kReceiveFailed;
}

void CTelnetClient::ReportOverlongLine(const CConnection& connection)
{
    wxLogError("Host %s:%d sent a line longer than %d bytes; the line is dropped", connection.m_host, connection.m_port,
               static_cast<int>(CLineBuffer::kMaxLineBytes));
}
