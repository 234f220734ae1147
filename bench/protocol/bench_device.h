#pragma once
// The device simulator of the protocol benchmarks: an in-process device on a free loopback port, meters still.
#include <memory>
#include <string>

#include "device_server.h"

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
