#pragma once
// A listening socket on 127.0.0.1 whose accept queue is full: the system drops further connection requests, so a
// connect to it neither succeeds nor fails until the client gives up, like an address where nothing answers.
#include <vector>

namespace orvtest
{
class CUnansweredPort
{
public:
    CUnansweredPort();
    ~CUnansweredPort();
    CUnansweredPort(const CUnansweredPort&) = delete;
    CUnansweredPort& operator=(const CUnansweredPort&) = delete;

    int Port() const { return m_port; }
    // The queue could be filled: connects to the port will hang.
    bool IsFull() const { return m_full; }

private:
    bool FillOne(const void* address);

    int m_listen = -1;
    int m_port = 0;
    bool m_full = false;
    std::vector<int> m_fillers;
};
}  // namespace orvtest
