// varnekorvsim: a simulated VARNEK Orvanta audio processor on TCP, for the panel's demo, tests and benchmarks.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device_model.h"
#include "device_server.h"

namespace
{
const char kUsage[] =
    "usage: varnekorvsim [options]\n"
    "  --port N             TCP port (default 3003; 0 picks a free one)\n"
    "  --bind ADDRESS       address to listen on (default 127.0.0.1)\n"
    "  --config FILE        variables of the device (see README.md)\n"
    "  --login USER,PASS    the only login accepted (default: any)\n"
    "  --seed N             seed of the VU meter animation\n"
    "  --meter-period MS    how often the VU meters move (default 100, 0: never)\n"
    "fault injection:\n"
    "  --delay MS           wait before every answer\n"
    "  --no-greeting        do not send READY on connection\n"
    "  --plus N             send N '+' lines before every answer\n"
    "  --close-after N      close a session when it has sent N lines\n"
    "  --garbage-every N    send a line of non-UTF-8 bytes after every Nth answer\n"
    "  --overlong-after N   send a 128 KiB line after the Nth answer (--overlong-bytes to change the size)\n"
    "  --logout-after MS    send '!LOGOUT reason' and close MS after each login (--logout-reason TEXT)\n"
    "  --refuse-login star|question  refuse every login with '*login refused' or with '?'\n"
    "  --flood RATE         notifications per second over the subscribable variables (-1: as fast as possible)\n"
    "  --flood-vars A,B     the variables the flood changes\n";

bool ParseInt(const char* text, int& value)
{
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (!*text || *end || number < -1000000000L || number > 1000000000L)
        return false;
    value = static_cast<int>(number);
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        if (comma > start)
            parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return parts;
}

// Applies one option that takes a number; false when the option is not one of them or the number is bad.
bool ApplyNumber(const std::string& option, const char* text, devicesim::ServerOptions& options, int& seed)
{
    int value = 0;
    if (!ParseInt(text, value))
        return false;
    if (option == "--port" && value >= 0 && value <= 65535)
        options.port = value;
    else if (option == "--seed")
        seed = value;
    else if (option == "--meter-period" && value >= 0)
        options.meterPeriodMs = value;
    else if (option == "--delay" && value >= 0)
        options.answerDelayMs = value;
    else if (option == "--plus" && value >= 0)
        options.plusLines = value;
    else if (option == "--close-after" && value >= 0)
        options.closeAfterLines = value;
    else if (option == "--garbage-every" && value >= 0)
        options.garbageEvery = value;
    else if (option == "--overlong-after" && value >= 0)
        options.overlongAfter = value;
    else if (option == "--overlong-bytes" && value > 0)
        options.overlongBytes = static_cast<std::size_t>(value);
    else if (option == "--logout-after" && value >= 0)
        options.logoutAfterMs = value;
    else if (option == "--flood")
        options.floodRate = value;
    else
        return false;
    return true;
}

// Applies one option that takes a text.
bool ApplyText(const std::string& option, const std::string& text, devicesim::ServerOptions& options,
               std::string& config)
{
    if (option == "--bind")
        options.bind = text;
    else if (option == "--config")
        config = text;
    else if (option == "--login")
        options.login = text;
    else if (option == "--logout-reason")
        options.logoutReason = text;
    else if (option == "--flood-vars")
        options.floodNames = SplitCommas(text);
    else if (option == "--refuse-login" && text == "star")
        options.loginMode = devicesim::ServerOptions::LoginMode::RefuseStar;
    else if (option == "--refuse-login" && text == "question")
        options.loginMode = devicesim::ServerOptions::LoginMode::RefuseQuestion;
    else
        return false;
    return true;
}

bool ParseCommandLine(int argc, char** argv, devicesim::ServerOptions& options, std::string& config, int& seed)
{
    options.port = 3003;
    for (int i = 1; i < argc; ++i)
    {
        const std::string option = argv[i];
        if (option == "--no-greeting")
        {
            options.greeting = false;
            continue;
        }
        if (i + 1 >= argc)
        {
            std::fprintf(stderr, "varnekorvsim: %s needs a value\n", option.c_str());
            return false;
        }
        const char* value = argv[++i];
        if (!ApplyNumber(option, value, options, seed) && !ApplyText(option, value, options, config))
        {
            std::fprintf(stderr, "varnekorvsim: bad option %s %s\n", option.c_str(), value);
            return false;
        }
    }
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")))
    {
        std::fputs(kUsage, stdout);
        return 0;
    }
    devicesim::ServerOptions options;
    std::string config;
    int seed = 12345;
    if (!ParseCommandLine(argc, argv, options, config, seed))
    {
        std::fputs(kUsage, stderr);
        return 2;
    }
    devicesim::DeviceModel model;
    std::string error;
    if (!config.empty() && !model.LoadFile(config, error))
    {
        std::fprintf(stderr, "varnekorvsim: %s\n", error.c_str());
        return 1;
    }
    model.Seed(static_cast<std::uint32_t>(seed));
    // Wait for the end signal synchronously: block it before any thread starts so every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    devicesim::DeviceServer server(model, options);
    if (!server.Start(error))
    {
        std::fprintf(stderr, "varnekorvsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("varnekorvsim: %zu variables, listening on %s:%d\n", model.Names().size(), options.bind.c_str(),
                server.Port());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}
