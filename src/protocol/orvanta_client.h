#pragma once
// COrvantaClient: a device session over one line connection. Open connects and performs the FORCEREPLY handshake,
// Login logs in once with the host's credentials; the client remembers the peer and whether it is logged in.
//
// Each host owns one session client inside its notification channel. Open and Login run on the host thread while
// the channel does not read (it reads only while logged in); once logged in, the channel's thread is the only
// reader and other threads only send, under the channel's request lock.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "protocol/telnet_client.h"

class COrvantaClient : public CTelnetClient
{
public:
    // Results of Open and Login besides those of the line client.
    static constexpr int kHandshakeSendFailed = 3;
    static constexpr int kBadHandshake = 8;
    static constexpr int kLoginRefused = 2;  // '?' answer
    static constexpr int kLoginSendFailed = 3;
    static constexpr int kLoginFailed = 4;  // '*' answer, or no readable answer
    // The handshake reads wait the configured timeout, but at least this long.
    static constexpr int kHandshakeMinimumMs = 3000;
    // The read wait after the handshake when no timeout is configured.
    static constexpr int kSessionDefaultTimeoutMs = 500;

    COrvantaClient() = default;
    ~COrvantaClient() override;

    // Connects (to 127.0.0.1 for an empty host) and performs the handshake: 0 open, 1 no connection or the
    // timeout option was refused, 3 the handshake line could not be sent, 8 READY followed by a failure (the
    // connection stays open). Host thread.
    int Open(const wxString& host, int port);
    // Logs in with "user,password": 0 logged in (or already), 2 refused with '?', 3 send failed, 4 refused with '*'
    // or no readable answer. Host thread.
    int Login(const wxString& login);
    // Closes the connection and clears the logged-in state. Any thread.
    void Disconnect() override;

    // Any thread.
    bool IsLoggedIn() const;
    // The connection on which the session is logged in, 0 when it is not.
    std::uint64_t LoggedInConnection() const;
    // Reads from the logged-in connection identified, and from no other (1 when it has gone): the next line, waiting
    // for it as ReadLine does, then every further line already received, notifications included.
    int ReadAllLoggedIn(std::uint64_t connection, std::vector<wxString>& lines);
    // Disconnects only if the identified connection is still the current one.
    void DisconnectIfCurrent(std::uint64_t connection);

    // The read wait to use for the session (0: the defaults apply); takes effect at the next Open. Any thread.
    void SetConfiguredTimeout(int ms) { m_configuredTimeout.store(ms); }
    int GetConfiguredTimeout() const { return m_configuredTimeout.load(); }
    // Lower bound of the handshake reads; only tests that simulate silent devices lower it.
    void SetHandshakeMinimum(int ms) { m_handshakeMinimum.store(ms); }

    // The host text and port of the last successful Open. Any thread.
    wxString GetHost() const;
    int GetPort() const;

private:
    int Handshake(const wxString& host, int port);
    int ReadLoginAnswer(wxString& answer);

    mutable std::mutex m_peerLock;  // guards m_host and m_port
    wxString m_host;
    int m_port = 0;
    std::atomic<std::uint64_t> m_loggedIn{0};  // connection id of the logged-in session, 0 when not logged in
    std::atomic<int> m_configuredTimeout{0};
    std::atomic<int> m_handshakeMinimum{kHandshakeMinimumMs};
};
