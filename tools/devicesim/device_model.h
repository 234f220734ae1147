#pragma once
// DeviceModel: the variables of one simulated audio processor and what the device answers about them.
//
// Variables come from a small text file (see README.md): a value, optionally a numeric range with a step and a log
// scale, a channel count and dimensions, poll-only (the device refuses subscriptions), read-only, and animated VU
// meters (levels, and peaks that follow a level variable). Every change is reported to the listeners.
//
// Thread-safe: every operation takes the model lock. Listeners are called with the lock held, in the order of the
// changes; they must only queue work (they may not call back into the model).
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace devicesim
{
struct VariableSpec
{
    enum class Meter
    {
        None,
        Level,  // animated level per channel
        Peak,   // peak hold of the level variable named in meterSource
    };

    std::string name;  // as configured; lookups ignore case
    std::string value;
    bool hasRange = false;
    std::string minText, maxText;  // the range as configured
    double min = 0, max = 0;
    std::string step;  // empty: the device has no step for it
    bool logScale = false;
    int channels = 1;
    std::string dims;
    bool pollOnly = false;
    bool readOnly = false;
    Meter meter = Meter::None;
    std::string meterSource;
};

class DeviceModel
{
public:
    using Listener = std::function<void(const std::string& name, const std::string& value)>;

    enum class WriteResult
    {
        Stored,
        Unknown,
        ReadOnly,
        NotANumber,
    };

    // Adds the variables of a configuration text; on a bad line sets error ("line N: ...") and returns false
    // (variables of earlier lines stay).
    bool Load(const std::string& text, std::string& error);
    bool LoadFile(const std::string& path, std::string& error);
    void Add(const VariableSpec& spec);

    bool Has(const std::string& name) const;
    // The variable (a copy); false when unknown.
    bool Find(const std::string& name, VariableSpec& spec) const;
    // Only its value: the read that every poll makes, without copying the rest.
    bool Value(const std::string& name, std::string& value) const;
    // Runs action with the variable under the model lock, so that no change can come between; false when unknown.
    bool With(const std::string& name, const std::function<void(const VariableSpec&)>& action) const;
    // Names of all variables, in configuration order.
    std::vector<std::string> Names() const;

    // A write from a client: numbers are clamped into their range; stored holds the value now in the device.
    WriteResult Write(const std::string& name, const std::string& value, std::string& stored);
    // A change made by the device itself (meters, floods): no checks.
    bool Change(const std::string& name, const std::string& value);

    // The answer to a query ("range", "channels", "dims", "logscale", "step"); an error answer starts with '*'.
    std::string Query(const std::string& kind, const std::string& name) const;

    // Moves every meter one step (levels wander like programme audio, peaks hold and fall back).
    void AnimateMeters();
    void Seed(std::uint32_t seed);

    int AddListener(Listener listener);
    void RemoveListener(int id);

private:
    VariableSpec* Lookup(const std::string& name);
    const VariableSpec* Lookup(const std::string& name) const;
    void Store(VariableSpec& variable, const std::string& value);
    std::string NextLevels(const VariableSpec& meter);
    std::string NextPeaks(const VariableSpec& peak, const std::string& levels);

    mutable std::mutex m_lock;
    std::vector<VariableSpec> m_variables;
    // Names are compared without regard to case, so that a lookup needs no upper-cased copy of the name.
    struct NameHash
    {
        std::size_t operator()(const std::string& name) const;
    };
    struct NameEqual
    {
        bool operator()(const std::string& left, const std::string& right) const;
    };
    std::unordered_map<std::string, std::size_t, NameHash, NameEqual> m_index;  // name to position
    std::map<int, Listener> m_listeners;
    int m_nextListener = 1;
    std::mt19937 m_random{12345};
    std::map<std::string, std::vector<double>> m_levels;  // per level meter, the current level of each channel
};

// Upper-cased copy (ASCII letters only: names are ASCII).
std::string UpperName(const std::string& name);
// Parses a whole text as a decimal number (point as separator); false when it is not one.
bool ParseNumber(const std::string& text, double& number);
}  // namespace devicesim
