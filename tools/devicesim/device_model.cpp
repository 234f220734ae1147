#include "device_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace devicesim
{
namespace
{
// Levels wander around this, like programme audio does on a broadcast chain.
constexpr double kProgrammeLevel = -18.0;
constexpr double kPeakFallPerStep = 1.5;

unsigned char AsciiUpper(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

std::string FormatLevel(double level)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", level);
    return text;
}

std::vector<double> SplitLevels(const std::string& text)
{
    std::vector<double> levels;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        double level = 0;
        levels.push_back(ParseNumber(text.substr(start, end - start), level) ? level : -60.0);
        start = end + 1;
    }
    return levels;
}
}  // namespace

std::string UpperName(const std::string& name)
{
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::size_t DeviceModel::NameHash::operator()(const std::string& name) const
{
    std::size_t hash = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
    for (char c : name)
        hash = (hash ^ AsciiUpper(c)) * 1099511628211ull;
    return hash;
}

bool DeviceModel::NameEqual::operator()(const std::string& left, const std::string& right) const
{
    return left.size() == right.size() && std::equal(left.begin(), left.end(), right.begin(),
                                                     [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); });
}

void DeviceModel::Add(const VariableSpec& spec)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_index[spec.name] = m_variables.size();
    m_variables.push_back(spec);
}

VariableSpec* DeviceModel::Lookup(const std::string& name)
{
    auto found = m_index.find(name);
    return found == m_index.end() ? nullptr : &m_variables[found->second];
}

const VariableSpec* DeviceModel::Lookup(const std::string& name) const
{
    auto found = m_index.find(name);
    return found == m_index.end() ? nullptr : &m_variables[found->second];
}

bool DeviceModel::Has(const std::string& name) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return Lookup(name) != nullptr;
}

bool DeviceModel::Find(const std::string& name, VariableSpec& spec) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const VariableSpec* variable = Lookup(name);
    if (variable)
        spec = *variable;
    return variable != nullptr;
}

bool DeviceModel::Value(const std::string& name, std::string& value) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const VariableSpec* variable = Lookup(name);
    if (variable)
        value = variable->value;
    return variable != nullptr;
}

bool DeviceModel::With(const std::string& name, const std::function<void(const VariableSpec&)>& action) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const VariableSpec* variable = Lookup(name);
    if (variable)
        action(*variable);
    return variable != nullptr;
}

std::vector<std::string> DeviceModel::Names() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> names;
    for (const VariableSpec& variable : m_variables)
        names.push_back(variable.name);
    return names;
}

void DeviceModel::Store(VariableSpec& variable, const std::string& value)
{
    if (variable.value == value)
        return;
    variable.value = value;
    for (auto& listener : m_listeners)
        listener.second(variable.name, value);
}

DeviceModel::WriteResult DeviceModel::Write(const std::string& name, const std::string& value, std::string& stored)
{
    std::lock_guard<std::mutex> guard(m_lock);
    VariableSpec* variable = Lookup(name);
    if (!variable)
        return WriteResult::Unknown;
    if (variable->readOnly)
        return WriteResult::ReadOnly;
    std::string accepted = value;
    if (variable->hasRange)
    {
        double number = 0;
        if (!ParseNumber(value, number))
            return WriteResult::NotANumber;
        const bool ascending = variable->min <= variable->max;
        const double low = ascending ? variable->min : variable->max;
        const double high = ascending ? variable->max : variable->min;
        if (number < low)
            accepted = ascending ? variable->minText : variable->maxText;
        else if (number > high)
            accepted = ascending ? variable->maxText : variable->minText;
    }
    Store(*variable, accepted);
    stored = variable->value;
    return WriteResult::Stored;
}

bool DeviceModel::Change(const std::string& name, const std::string& value)
{
    std::lock_guard<std::mutex> guard(m_lock);
    VariableSpec* variable = Lookup(name);
    if (variable)
        Store(*variable, value);
    return variable != nullptr;
}

std::string DeviceModel::Query(const std::string& kind, const std::string& name) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const VariableSpec* variable = Lookup(name);
    if (!variable)
        return "*unknown " + name;
    if (kind == "range")
        return variable->hasRange ? variable->minText + ";" + variable->maxText : "*no range for " + variable->name;
    if (kind == "channels")
        return std::to_string(variable->channels);
    if (kind == "dims")
        return variable->dims.empty() ? std::to_string(variable->channels) : variable->dims;
    if (kind == "logscale")
        return variable->logScale ? "1" : "0";
    if (kind == "step")
        return variable->step.empty() ? "*no step for " + variable->name : variable->step;
    return "*unknown query " + kind;
}

void DeviceModel::Seed(std::uint32_t seed)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_random.seed(seed);
}

std::string DeviceModel::NextLevels(const VariableSpec& meter)
{
    const double low = meter.hasRange ? std::min(meter.min, meter.max) : -60.0;
    const double high = meter.hasRange ? std::max(meter.min, meter.max) : 0.0;
    std::vector<double>& levels = m_levels[meter.name];
    levels.resize(static_cast<std::size_t>(meter.channels), kProgrammeLevel);
    std::normal_distribution<double> wander(0.0, 3.0);
    std::string text;
    for (std::size_t channel = 0; channel < levels.size(); ++channel)
    {
        double& level = levels[channel];
        level += wander(m_random) + (kProgrammeLevel - level) * 0.2;
        level = std::clamp(level, low, high);
        text += (channel ? ";" : "") + FormatLevel(level);
    }
    return text;
}

std::string DeviceModel::NextPeaks(const VariableSpec& peak, const std::string& levels)
{
    std::vector<double> current = SplitLevels(levels);
    std::vector<double> held = SplitLevels(peak.value);
    held.resize(current.size(), -60.0);
    std::string text;
    for (std::size_t channel = 0; channel < current.size(); ++channel)
    {
        double value = std::max(current[channel], held[channel] - kPeakFallPerStep);
        text += (channel ? ";" : "") + FormatLevel(value);
    }
    return text;
}

void DeviceModel::AnimateMeters()
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (VariableSpec& variable : m_variables)
    {
        if (variable.meter == VariableSpec::Meter::Level)
            Store(variable, NextLevels(variable));
    }
    for (VariableSpec& variable : m_variables)
    {
        const VariableSpec* source =
            variable.meter == VariableSpec::Meter::Peak ? Lookup(variable.meterSource) : nullptr;
        if (source)
            Store(variable, NextPeaks(variable, source->value));
    }
}

int DeviceModel::AddListener(Listener listener)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_listeners[m_nextListener] = std::move(listener);
    return m_nextListener++;
}

void DeviceModel::RemoveListener(int id)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_listeners.erase(id);
}
}  // namespace devicesim
