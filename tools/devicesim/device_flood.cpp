// The notification flood of the simulated device: changes variables as fast as asked, so that every subscriber
// receives a stream of "!NAME=value" lines.
#include <chrono>

#include "device_server.h"
#include "device_session.h"

namespace devicesim
{
namespace
{
// A flood waits while a subscriber has this much still to send, so that it measures delivery, not queueing.
constexpr std::size_t kFloodHighWater = 1024 * 1024;
}  // namespace

void DeviceServer::StartFlood(double rate, const std::vector<std::string>& names)
{
    StopFlood();
    std::vector<std::string> chosen = names;
    if (chosen.empty())
    {
        for (const std::string& name : m_model.Names())
        {
            VariableSpec variable;
            if (m_model.Find(name, variable) && !variable.pollOnly && variable.meter == VariableSpec::Meter::None)
                chosen.push_back(variable.name);
        }
    }
    if (chosen.empty())
        return;
    std::lock_guard<std::mutex> guard(m_floodLock);
    m_floodStop = false;
    m_floodThread = std::thread([this, rate, chosen] { FloodLoop(rate, chosen); });
}

void DeviceServer::StopFlood()
{
    std::lock_guard<std::mutex> guard(m_floodLock);
    m_floodStop = true;
    if (m_floodThread.joinable())
        m_floodThread.join();
}

// True while a subscriber lags behind (or nobody is there to receive the flood).
bool DeviceServer::FloodBlocked()
{
    bool anyone = false;
    for (auto& session : Sessions())
    {
        if (session->IsClosed() || !session->IsLoggedIn())
            continue;
        anyone = true;
        if (session->Backlog() > kFloodHighWater)
            return true;
    }
    return !anyone;
}

void DeviceServer::FloodLoop(double rate, std::vector<std::string> names)
{
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    std::uint64_t sent = 0;
    std::size_t next = 0;
    while (!m_floodStop && !m_stop)
    {
        std::uint64_t due = sent + 256;
        if (rate > 0)
            due = static_cast<std::uint64_t>(rate * std::chrono::duration<double>(Clock::now() - start).count());
        if (due > sent && FloodBlocked())
        {
            // Nobody can take the lines now: keep the rate from here on instead of catching up in a burst later.
            if (rate > 0)
                start = Clock::now() -
                        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(sent / rate));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (due <= sent)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        for (; sent < due && !m_floodStop; ++sent)
        {
            m_model.Change(names[next], std::to_string(sent));
            next = (next + 1) % names.size();
            ++m_floodCount;
        }
    }
}
}  // namespace devicesim
