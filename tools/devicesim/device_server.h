#pragma once
// DeviceServer: the device side of the protocol on a real TCP socket, serving any number of sessions at once over
// one DeviceModel. Each session has its own login state and subscriptions; every change of a variable (a client's
// write, a meter moving, a flood) is pushed as "!NAME=value" to every session subscribed to it.
//
// Fault injection for tests: answer delay, no greeting, '+' lines before answers, closing after N lines, garbage
// and over-long lines, "!LOGOUT reason", refused logins, and a flood of notifications at a given rate.
//
// Start and Stop from one controlling thread; the other operations from any thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device_model.h"

namespace devicesim
{
class DeviceSession;

struct ServerOptions
{
    enum class LoginMode
    {
        Accept,          // "OK" (for the configured login only, when one is set)
        RefuseStar,      // "*login refused"
        RefuseQuestion,  // "?"
    };

    std::string bind = "127.0.0.1";
    int port = 0;          // 0: a free port (see DeviceServer::Port)
    bool greeting = true;  // "READY" when a client connects
    std::string login;     // "user,password" accepted; empty: any
    LoginMode loginMode = LoginMode::Accept;
    int answerDelayMs = 0;    // before every answer
    int plusLines = 0;        // '+' lines before every answer
    int closeAfterLines = 0;  // close a session when it has sent this many lines (0: never)
    int garbageEvery = 0;     // a line of bytes that are not UTF-8 after every Nth answer (0: never)
    int overlongAfter = 0;    // an over-long line after the Nth answer (0: never)
    std::size_t overlongBytes = 128 * 1024;
    int logoutAfterMs = 0;  // "!LOGOUT reason" and a close this long after a login (0: never)
    std::string logoutReason = "maintenance";
    double floodRate = 0;  // notifications per second over floodNames (0: no flood; <0: as fast as possible)
    std::vector<std::string> floodNames;  // empty: every variable that can be subscribed
    int meterPeriodMs = 100;              // how often the VU meters move (0: never)
};

class DeviceServer
{
public:
    DeviceServer(DeviceModel& model, const ServerOptions& options);
    ~DeviceServer();
    DeviceServer(const DeviceServer&) = delete;
    DeviceServer& operator=(const DeviceServer&) = delete;

    // Binds, listens and starts serving; false with a message when the address cannot be used.
    bool Start(std::string& error);
    // Closes every session and the listening socket and joins all threads. Start may be called again (same port).
    void Stop();

    int Port() const { return m_port; }
    const ServerOptions& Options() const { return m_options; }
    DeviceModel& Model() { return m_model; }
    // Sessions currently connected.
    std::size_t SessionCount();
    // Sessions that are logged in.
    std::size_t LoggedInCount();

    // Sends "!LOGOUT reason" to every session and closes them.
    void Logout(const std::string& reason);
    // Sends raw bytes to every session (tests: garbage, partial lines).
    void Broadcast(const std::string& bytes);
    // Starts or stops a flood at runtime (rate as in ServerOptions::floodRate).
    void StartFlood(double rate, const std::vector<std::string>& names);
    void StopFlood();
    // Notifications sent by the flood so far.
    std::uint64_t FloodCount() const { return m_floodCount.load(); }

    // Called by the sessions: a variable changed (model lock held).
    void OnChange(const std::string& name, const std::string& value);

private:
    void AcceptLoop();
    void ReapClosed(bool all);
    void MeterLoop();
    void FloodLoop(double rate, std::vector<std::string> names);
    bool FloodBlocked();
    std::vector<std::shared_ptr<DeviceSession>> Sessions();

    DeviceModel& m_model;
    const ServerOptions m_options;
    int m_listen = -1;
    int m_port = 0;
    int m_listenerId = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptThread;
    std::thread m_meterThread;

    std::mutex m_sessionsLock;  // guards m_sessions
    std::vector<std::shared_ptr<DeviceSession>> m_sessions;

    std::mutex m_floodLock;  // guards m_floodThread
    std::thread m_floodThread;
    std::atomic<bool> m_floodStop{false};
    std::atomic<std::uint64_t> m_floodCount{0};

    std::mutex m_waitLock;  // lets the background loops sleep until stopped
    std::condition_variable m_wake;
};
}  // namespace devicesim
