#pragma once
// CHost: one device of the panel. Its thread keeps one logged-in session with the device (through the notification
// channel, which owns the session client and reads the socket), holds the records of the variables that links use,
// keeps their values current (subscriptions, plus a poll cycle for the variables the device will not subscribe),
// writes values on request and tells every attached link when a value arrives or is lost.
//
// Owned by the host table (CHostList). Links attach with AddLink and must detach (RemoveLink) before the host is
// deleted.
//
// Locks, outermost first: the hold lock (async holding), the variables lock (table, records, poll list), the
// connection lock (recursive: connecting, testing the connection, whole writes), then the channel's request and
// answer locks. Links are notified with the variables lock held and must neither block nor call back into the host.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include <wx/hashmap.h>
#include <wx/object.h>
#include <wx/string.h>

#include "links/variable_record.h"
#include "protocol/orvanta_notify.h"
#include "protocol/thread.h"

class COrvLinkBase;
class wxXmlNode;

class CHost : public CThread
{
public:
    static constexpr int kDefaultPort = 3003;
    static constexpr int kConnectTimeoutMs = 5000;  // the session's waits, set before every Open
    static constexpr int kInitialPollIntervalMs = 250;
    static constexpr int kSleepSliceMs = 25;       // a stop never waits longer than this for the poll loop
    static constexpr int kMaxRetryDelayMs = 2000;  // longest wait between two failing connection attempts

    // Reads alias, host, port and login from a host element; with an empty alias nothing more is read.
    explicit CHost(const wxXmlNode* element);
    ~CHost() override;

    const wxString& GetAlias() const { return m_alias; }
    const wxString& GetHostName() const { return m_hostName; }
    int GetPort() const { return m_port; }

    // Attaches a link to a variable, creating and subscribing the variable when it is new; the link gets OnValue or
    // OnNoValue at once. False (and no record left behind) when the device refuses a new variable. Any thread.
    bool AddLink(const wxString& name, COrvLinkBase* link);
    // Detaches a link; false when the variable is unknown. Any thread.
    bool RemoveLink(const wxString& name, COrvLinkBase* link);
    // Writes one variable, reconnecting first when the session is down. Any thread.
    bool SetVarValue(const wxString& name, const wxString& value);
    // Writes several variables in one batch; upper-cases the names in place. True unless the batch could not be
    // sent or an answer was missing (refused writes invalidate their variable only). Any thread.
    bool SetVarsValues(std::vector<wxString>& names, const std::vector<wxString>& values);
    // A free command (the device queries of the links); no reconnection. Any thread.
    bool SendCommand(const wxString& command, wxString& answer);

    // The steps of the host thread; public so that benchmarks can drive a host without its thread.
    // Opens and logs in when needed, then re-subscribes every variable. Any thread.
    bool ConnectHost();
    // One poll cycle: reconnects when the session is down, else reads every poll-mode variable in one batch.
    void Poll();
    // An asynchronous line without its '!': a value, or "LOGOUT reason". Receive thread, or the thread that
    // releases held lines.
    void OnAsync(const wxString& line);
    // Every link of every variable gets OnNoValue. Any thread.
    void InvalidateAll();

    // Milliseconds between two poll cycles. Any thread.
    void SetPollInterval(int ms) { m_pollInterval.store(ms); }
    int GetPollInterval() const { return m_pollInterval.load(); }

    // Stopping in two steps, so that a table stops all its hosts in the time of one: RequestStop never blocks (it
    // ends a connect or read in progress), FinishStop waits for the channel and the host thread. Not this thread.
    void RequestStop();
    void FinishStop();

    // The stop flag, else as CThread. Host thread.
    bool TestDestroy() override;

    // How long an answer is awaited; only tests shorten it. Any thread.
    void SetAnswerTimeout(int ms) { m_channel.SetAnswerTimeout(ms); }

protected:
    int Execute() override;

private:
    // The channel's async handler context.
    class CHostNotify : public wxObject
    {
    public:
        explicit CHostNotify(CHost* host) : m_host(host) {}
        static void Forward(void* context, const wxString& line);

    private:
        CHost* const m_host;
    };

    enum class Session
    {
        kAlreadyOpen,
        kOpened,
        kFailed,
    };

    using Clock = std::chrono::steady_clock;
    // The variables a poll cycle reads: built once after every change of the subscriptions and shared, never
    // changed, by the cycles that use it.
    struct CPollList
    {
        std::vector<CVariableRecord*> m_records;
        std::vector<wxString> m_names;  // upper-cased, one per record
        wxString m_batch;               // the read commands of all of them
    };

    bool IsUsable();
    Session OpenSession();
    void NoteConnectResult(bool connected);
    bool EnsureConnected(bool honourRetryDelay);
    void SubscribeAll();
    bool LinkVariable(const wxString& name, CVariableRecord& record);
    bool ReadPollVariable(const wxString& name, CVariableRecord& record, std::uint64_t session);
    bool LinkLost(CVariableRecord& record, std::uint64_t session);
    bool AttachLink(const wxString& name, COrvLinkBase* link);
    CVariableRecord* FindRecord(const wxString& upperName);
    void DropSession(std::uint64_t session);
    void HoldAsync();
    void ReleaseAsync();
    std::shared_ptr<const CPollList> TakePollList();
    void ApplyPollAnswers(const CPollList& list, const std::vector<wxString>& answers, bool sent);
    bool ExchangeBatch(const wxString& batch, const std::vector<wxString>& names, std::vector<wxString>& answers,
                       std::uint64_t& session);
    bool ApplyWriteAnswers(const std::vector<CVariableRecord*>& records, const std::vector<wxString>& names,
                           const std::vector<wxString>& values, const std::vector<wxString>& answers, bool sent);
    void StoreWritten(CVariableRecord* record, const wxString& name, const wxString& value);
    bool RefuseLineBreaks(const wxString& name, const wxString& value);

    const wxString m_alias;
    wxString m_hostName = "localhost";
    int m_port = kDefaultPort;
    wxString m_login = "guest,guest";

    // Guarded by the connection lock.
    bool m_connectedOnce = true;      // false once a lost session was found and not yet reported
    bool m_sessionUp = false;         // a session was opened and has not been found lost since
    int m_failedConnects = 0;         // consecutive failed connection attempts
    Clock::time_point m_nextConnect;  // the poll cycle does not try to connect before this

    COrvantaNotify m_channel;
    std::mutex m_holdLock;  // guards m_holdCount; taken before the variables lock
    int m_holdCount = 0;    // threads holding asynchronous lines back

    std::mutex m_varsLock;  // guards the fields below and every record
    // The records with their upper-cased names, in the order they were created, and an index by that name.
    std::vector<std::pair<wxString, std::unique_ptr<CVariableRecord>>> m_vars;
    std::unordered_map<wxString, CVariableRecord*, wxStringHash, wxStringEqual> m_index;
    std::shared_ptr<const CPollList> m_pollList;  // null until the next cycle builds it

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_pollInterval{kInitialPollIntervalMs};
    std::recursive_mutex m_connectionLock;
    CHostNotify m_notify{this};
};
