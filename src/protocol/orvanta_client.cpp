#include "protocol/orvanta_client.h"

#include <wx/log.h>

#include "platform/log_levels.h"

COrvantaClient::~COrvantaClient()
{
    COrvantaClient::Disconnect();
}

void COrvantaClient::Disconnect()
{
    CTelnetClient::Disconnect();
    m_loggedIn.store(0);
}

void COrvantaClient::DisconnectIfCurrent(std::uint64_t connection)
{
    if (DisconnectConnection(connection))
    {
        std::uint64_t expected = connection;
        m_loggedIn.compare_exchange_strong(expected, 0);
    }
}

bool COrvantaClient::IsLoggedIn() const
{
    std::uint64_t session = m_loggedIn.load();
    return session != 0 && session == ConnectionId();
}

std::uint64_t COrvantaClient::LoggedInConnection() const
{
    return IsLoggedIn() ? m_loggedIn.load() : 0;
}

int COrvantaClient::ReadAllLoggedIn(std::uint64_t connection, std::vector<wxString>& lines)
{
    return ReadLinesOn(connection, lines);
}

wxString COrvantaClient::GetHost() const
{
    std::lock_guard<std::mutex> guard(m_peerLock);
    return m_host;
}

int COrvantaClient::GetPort() const
{
    std::lock_guard<std::mutex> guard(m_peerLock);
    return m_port;
}

int COrvantaClient::Open(const wxString& host, int port)
{
    m_loggedIn.store(0);
    const int configured = m_configuredTimeout.load();
    SetConnectTimeout(configured > 0 ? configured : kDefaultConnectTimeoutMs);
    if (Connect(host.empty() ? wxString("127.0.0.1") : host, port) != kOk)
        return kNotConnected;
    if (Send(L"FORCEREPLY") != kOk)
    {
        wxLogError("Failed to send FORCEREPLY to host %s:%d", host, port);
        Disconnect();
        return kHandshakeSendFailed;
    }
    int result = Handshake(host, port);
    if (result != kOk)
        return result;
    std::lock_guard<std::mutex> guard(m_peerLock);
    m_host = host;
    m_port = port;
    return kOk;
}

// Reads the greeting and the answer to FORCEREPLY, then sets the session's read wait.
int COrvantaClient::Handshake(const wxString& host, int port)
{
    const int configured = m_configuredTimeout.load();
    const int minimum = m_handshakeMinimum.load();
    if (SetTimeout(configured > minimum ? configured : minimum) != kOk)
    {
        wxLogError("Failed socket timeout configuration");
        Disconnect();
        return kNotConnected;
    }
    // Any first line completes the handshake, also none at all (a device that does not greet and does not answer
    // FORCEREPLY); only READY announces a second line.
    wxString line;
    ReadLine(line, false);
    if (line == "READY")
    {
        if (ReadLine(line, false) == kReceiveFailed)
        {
            wxLogError("Host (%s:%d) did not reply as expected to FORCEREPLY ! (%s)", host, port, line);
            return kBadHandshake;
        }
    }
    if (SetTimeout(configured != 0 ? configured : kSessionDefaultTimeoutMs) != kOk)
    {
        wxLogError("Failed socket timeout configuration");
        Disconnect();
        return kNotConnected;
    }
    return kOk;
}

int COrvantaClient::Login(const wxString& login)
{
    if (IsLoggedIn())
        return kOk;
    const std::uint64_t connection = ConnectionId();
    if (Send(L"LOGIN %ls", static_cast<const wchar_t*>(login.wc_str())) != kOk)
    {
        wxLogError("failed to login to host %s:%d", GetHost(), GetPort());
        return kLoginSendFailed;
    }
    wxString answer;
    if (ReadLoginAnswer(answer) != kOk)
        return kLoginFailed;
    if (answer.StartsWith("*"))
    {
        wxLogError(" %s", answer);
        return kLoginFailed;
    }
    if (answer.StartsWith("?"))
    {
        LogVerbose4(" %s", answer);
        return kLoginRefused;
    }
    m_loggedIn.store(connection);
    return kOk;
}

// Reads the answer to LOGIN; a device that stays silent or goes away is reported here, since the caller only sees
// that the login failed.
int COrvantaClient::ReadLoginAnswer(wxString& answer)
{
    int result = ReadLine(answer, false);
    if (result == kOk)
        return kOk;
    if (result == kNoLine)
        wxLogError("Login to Host (%s:%d) failed answer %s", GetHost(), GetPort(), answer);
    else
        wxLogError("Host (%s:%d) is not able to answer, you should update the Dizuzezuzave on this host !", GetHost(),
                   GetPort());
    return kLoginFailed;
}
