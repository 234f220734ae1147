// CHost: connecting, logging in, re-subscribing, and the retry delay while a device stays unreachable.
#include <algorithm>

#include <wx/log.h>

#include "links/host.h"
#include "links/link_text.h"
#include "platform/log_levels.h"

namespace
{
// The login text for messages: the user name, and never the password.
wxString MaskedLogin(const wxString& login)
{
    const int comma = login.Find(',');
    return comma == wxNOT_FOUND ? login : login.Left(comma) + ",***";
}
}  // namespace

bool CHost::IsUsable()
{
    COrvantaClient& client = m_channel.GetClient();
    return client.IsConnected() && client.IsLoggedIn();
}

bool CHost::ConnectHost()
{
    {
        std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
        const Session session = OpenSession();
        if (session != Session::kOpened)
            return session == Session::kAlreadyOpen;
    }
    SubscribeAll();
    return true;
}

// Steps up to the login, under the connection lock.
CHost::Session CHost::OpenSession()
{
    COrvantaClient& client = m_channel.GetClient();
    if (IsUsable())
        return Session::kAlreadyOpen;
    if (client.IsConnected())
        client.Disconnect();  // a handshake that went wrong left the socket open
    LogVerbose5("Host %s setting timeout...", m_alias);
    client.SetConfiguredTimeout(kConnectTimeoutMs);
    LogVerbose5("Host %s connecting...", m_alias);
    if (client.Open(m_hostName, m_port) != CTelnetClient::kOk)
    {
        LogVerbose4("Connect to %s:%d failed", m_hostName, m_port);
        client.Disconnect();
        NoteConnectResult(false);
        return Session::kFailed;
    }
    LogVerbose5("Host %s logging...", m_alias);
    if (client.Login(m_login) != CTelnetClient::kOk)
    {
        LogVerbose4("Login to %s:%d with %s failed", m_hostName, m_port, MaskedLogin(m_login));
        client.Disconnect();
        NoteConnectResult(false);
        return Session::kFailed;
    }
    LogVerbose5("Host %s starting...", m_alias);
    if (!m_channel.IsRunning())
        m_channel.Start();
    LogVerbose5("Host %s connected !", m_alias);
    m_connectedOnce = true;
    m_sessionUp = true;
    NoteConnectResult(true);
    return Session::kOpened;
}

// Connection lock held. After a failure the poll cycle waits before trying again, twice as long after each further
// failure (from twice the poll interval up to kMaxRetryDelayMs); a success lets the next attempt go at once.
void CHost::NoteConnectResult(bool connected)
{
    if (connected)
    {
        m_failedConnects = 0;
        m_nextConnect = Clock::time_point();
        return;
    }
    m_failedConnects = std::min(m_failedConnects + 1, 16);
    const long long delay =
        std::min<long long>(static_cast<long long>(GetPollInterval()) << m_failedConnects, kMaxRetryDelayMs);
    m_nextConnect = Clock::now() + std::chrono::milliseconds(delay);
}

// Brings the session back when it is down. A session found lost is reported once and every link is told that its
// value is gone before reconnecting, so that no control keeps showing a value of a connection that no longer
// exists. The poll cycle honours the retry delay; writes try at once.
bool CHost::EnsureConnected(bool honourRetryDelay)
{
    bool reconnecting;
    {
        std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
        if (IsUsable())
            return true;
        if (m_sessionUp)
        {
            m_sessionUp = false;
            m_connectedOnce = false;
        }
        if (honourRetryDelay && Clock::now() < m_nextConnect)
            return false;
        reconnecting = !m_connectedOnce;
    }
    if (reconnecting)
    {
        LogVerbose4("Host %s try to reconnect...", m_alias);
        InvalidateAll();
    }
    return ConnectHost() && IsUsable();
}

// Notifications sent meanwhile, typically the current values of the variables just subscribed, are held back and
// delivered afterwards on this thread, in order.
void CHost::SubscribeAll()
{
    HoldAsync();
    {
        std::lock_guard<std::mutex> guard(m_varsLock);
        for (const auto& entry : m_vars)
        {
            if (!LinkVariable(entry.first, *entry.second))
                wxLogError("Can not get variable '%s' value", entry.first);
        }
    }
    ReleaseAsync();
}

// Variables lock held.
bool CHost::LinkVariable(const wxString& name, CVariableRecord& record)
{
    std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
    if (!IsUsable())
        return true;  // subscribed by the next ConnectHost
    m_pollList.reset();
    record.m_linked = false;
    record.m_pollMode = true;
    record.m_hasValue = false;
    const std::uint64_t session = m_channel.GetClient().LoggedInConnection();
    wxString answer;
    if (!m_channel.RequestAndWait(name + "!", &answer))
    {
        LogVerbose4("[%s] LinkVariable for %s failed", m_alias, name);
        return LinkLost(record, session);
    }
    if (!IsRefusal(answer))
    {
        record.m_linked = true;
        record.m_pollMode = false;
        return true;
    }
    return ReadPollVariable(name, record, session);
}

// The device refused the subscription: the variable is read by the poll cycle from now on.
bool CHost::ReadPollVariable(const wxString& name, CVariableRecord& record, std::uint64_t session)
{
    wxString answer;
    if (!m_channel.RequestAndWait(name + "?", &answer))
    {
        LogVerbose4("[%s] LinkVariable (poll) for %s failed", m_alias, name);
        return LinkLost(record, session);
    }
    if (IsRefusal(answer))
    {
        LogVerbose4("[%s] LinkVariable (poll) for %s failed (%s)", m_alias, name, answer);
        record.Invalidate();
        return false;
    }
    LogVerbose4("[%s] variable %s is in poll mode", m_alias, name);
    record.m_pollMode = true;
    record.m_value = answer;
    record.m_hasValue = true;
    record.m_linked = true;
    record.NotifyChange();
    return true;
}

// A subscription exchange failed in transport: the variable has no value and the session is given up. False.
bool CHost::LinkLost(CVariableRecord& record, std::uint64_t session)
{
    record.Invalidate();
    DropSession(session);
    return false;
}

// Ends the session after a failed exchange, unless another thread has already replaced it by a new one.
void CHost::DropSession(std::uint64_t session)
{
    std::lock_guard<std::recursive_mutex> guard(m_connectionLock);
    if (session != 0)
        m_channel.GetClient().DisconnectIfCurrent(session);
}
