#pragma once
// A loopback TCP peer that follows a script, for the exchanges a test must control byte for byte: a device that
// greets and closes, answers late, sends partial lines, and so on.
//
// The peer listens on 127.0.0.1 on a free port. For the first accepted connection (or for each, with
// StartEveryConnection) it runs the script: expected lines, bytes to send, delays and a close. After the script the
// connection stays open and every received line is still recorded, until the client closes or the peer stops.
// Every wait is bounded; a mismatch or a time-out is recorded and ends the script. Build the script before Start;
// the other operations may be called from any thread.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvtest
{
class ScriptedPeer
{
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    int Port() const { return m_port; }

    // Script steps, run in order.
    ScriptedPeer& Send(const std::string& bytes);     // the bytes exactly as given
    ScriptedPeer& SendLine(const std::string& line);  // the line and an LF
    ScriptedPeer& Expect(const std::string& line);    // the next received line (LF removed) must be this one
    ScriptedPeer& Reply(const std::string& expected, const std::string& reply);  // Expect, then SendLine
    ScriptedPeer& Delay(int ms);
    ScriptedPeer& Close();  // closes the connection here (the script ends)

    void Start();
    void StartEveryConnection();
    // Stops accepting, closes the connection and joins the thread (also done by the destructor).
    void Stop();

    // Waits until the script of the first connection has run to its end; false on a time-out.
    bool WaitScriptDone(int timeoutMs = 5000) const;
    // Waits until the client has closed the current connection.
    bool WaitClientClosed(int timeoutMs = 5000) const;
    // Sends bytes now on the current connection; false when there is none.
    bool Push(const std::string& bytes);

    std::vector<std::string> Received() const;  // every line received, in order (LF removed, CR kept)
    std::string Errors() const;                 // empty when the script ran as written
    int Connections() const { return m_connections.load(); }

private:
    struct Step
    {
        enum Kind
        {
            kSend,
            kExpect,
            kDelay,
            kClose
        } kind;
        std::string text;
        int ms = 0;
    };

    void Serve();
    void ServeConnection(int fd, bool runScript);
    bool RunScript(int fd, std::string& pending);
    bool ReadLine(int fd, std::string& pending, std::string& line, int timeoutMs);
    void Drain(int fd, std::string& pending);
    void Fail(const std::string& message);
    void SetConnection(int fd);

    int m_listen = -1;
    int m_port = 0;
    std::vector<Step> m_script;
    bool m_every = false;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};

    mutable std::mutex m_lock;  // guards the fields below
    mutable std::condition_variable m_changed;
    int m_connection = -1;
    bool m_scriptDone = false;
    bool m_clientClosed = false;
    std::vector<std::string> m_received;
    std::string m_errors;
};
}  // namespace orvtest
