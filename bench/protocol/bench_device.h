#pragma once
// The device simulator of the protocol benchmarks: an in-process device on a free loopback port, meters still.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "device_server.h"
#include "protocol/orvanta_notify.h"

struct BenchDevice
{
    explicit BenchDevice(const std::string& variables)
    {
        std::string error;
        model.Load(variables, error);
        devicesim::ServerOptions options;
        options.meterPeriodMs = 0;
        server = std::make_unique<devicesim::DeviceServer>(model, options);
        server->Start(error);
    }
    int Port() const { return server->Port(); }

    devicesim::DeviceModel model;
    std::unique_ptr<devicesim::DeviceServer> server;
};

// Opens a logged-in channel to the device whose async handler only counts the lines it gets: the reference
// delivery rate of the notification benchmarks.
inline void StartCountingChannel(COrvantaNotify& channel, int port, std::atomic<std::uint64_t>& delivered)
{
    channel.SetAsyncHandler(&delivered, [](void* context, const wxString&) {
        static_cast<std::atomic<std::uint64_t>*>(context)->fetch_add(1, std::memory_order_relaxed);
    });
    channel.GetClient().Open("127.0.0.1", port);
    channel.GetClient().Login("guest,guest");
    channel.Start();
}
