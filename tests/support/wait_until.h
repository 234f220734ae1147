#pragma once
// Waiting on a condition with a deadline: the only way tests wait for another thread or process.
#include <chrono>
#include <thread>

namespace orvtest
{
// Polls the condition until it holds or the timeout passes; returns the last result.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Milliseconds since a point in time, for tests that check how long something took.
inline long ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}
}  // namespace orvtest
