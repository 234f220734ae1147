// Reading the simulator's variable file into a DeviceModel.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "device_model.h"

namespace devicesim
{
namespace
{
// Splits a line into words; a word in double quotes may hold spaces (\" and \\ inside). False on an open quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words)
{
    std::size_t i = 0;
    while (i < line.size())
    {
        if (std::isspace(static_cast<unsigned char>(line[i])))
        {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"')
        {
            for (++i; i < line.size() && line[i] != '"'; ++i)
            {
                if (line[i] == '\\' && i + 1 < line.size())
                    ++i;
                word += line[i];
            }
            if (i >= line.size())
                return false;
            ++i;
        }
        else
        {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                word += line[i++];
        }
        words.push_back(word);
    }
    return true;
}

bool ValidName(const std::string& name)
{
    if (name.empty())
        return false;
    for (char c : name)
    {
        if (std::isspace(static_cast<unsigned char>(c)) || c == '=' || c == '!' || c == '?' || c == '*' || c == '+')
            return false;
    }
    return true;
}

bool ParseRange(const std::string& text, VariableSpec& spec)
{
    std::size_t semicolon = text.find(';');
    if (semicolon == std::string::npos)
        return false;
    spec.minText = text.substr(0, semicolon);
    spec.maxText = text.substr(semicolon + 1);
    spec.hasRange = ParseNumber(spec.minText, spec.min) && ParseNumber(spec.maxText, spec.max);
    return spec.hasRange;
}

// Applies one option word ("range=-24;12", "poll", ...); false with a message when it is not understood.
bool ApplyOption(const std::string& word, VariableSpec& spec, std::string& error)
{
    const std::size_t equal = word.find('=');
    const std::string key = word.substr(0, equal);
    const std::string value = equal == std::string::npos ? std::string() : word.substr(equal + 1);
    double number = 0;
    if (key == "range" && ParseRange(value, spec))
        return true;
    if (key == "step" && ParseNumber(value, number))
        spec.step = value;
    else if (key == "logscale" && (value.empty() || value == "0" || value == "1"))
        spec.logScale = value != "0";
    else if (key == "channels" && ParseNumber(value, number) && number >= 1 && number <= 64 &&
             number == std::floor(number))
        spec.channels = static_cast<int>(number);
    else if (key == "dims" && !value.empty())
        spec.dims = value;
    else if (key == "poll" && value.empty())
        spec.pollOnly = true;
    else if (key == "readonly" && value.empty())
        spec.readOnly = true;
    else if (key == "vu" && value.empty())
        spec.meter = VariableSpec::Meter::Level;
    else if (key == "peak" && !value.empty())
    {
        spec.meter = VariableSpec::Meter::Peak;
        spec.meterSource = value;
    }
    else
    {
        error = "bad option '" + word + "'";
        return false;
    }
    return true;
}

std::string SilentMeter(const VariableSpec& spec)
{
    std::string floor = spec.hasRange ? (spec.min < spec.max ? spec.minText : spec.maxText) : std::string("-60");
    std::string value;
    for (int channel = 0; channel < spec.channels; ++channel)
        value += (channel ? ";" : "") + floor;
    return value;
}

// Reads one variable line; false with a message when it is wrong.
bool ParseVariable(const std::vector<std::string>& words, const DeviceModel& model, VariableSpec& spec,
                   std::string& error)
{
    spec.name = words[0];
    if (!ValidName(spec.name))
        return error = "bad variable name '" + spec.name + "'", false;
    if (model.Has(spec.name))
        return error = "variable " + spec.name + " defined twice", false;
    spec.value = words.size() > 1 ? words[1] : std::string();
    for (std::size_t i = 2; i < words.size(); ++i)
    {
        if (!ApplyOption(words[i], spec, error))
            return false;
    }
    if (spec.meter == VariableSpec::Meter::Peak)
    {
        VariableSpec source;
        if (!model.Find(spec.meterSource, source) || source.meter != VariableSpec::Meter::Level)
            return error = "peak of " + spec.meterSource + ": no such vu variable before it", false;
        spec.meterSource = source.name;
    }
    if (spec.meter != VariableSpec::Meter::None)
    {
        spec.readOnly = true;
        if (spec.value.empty())
            spec.value = SilentMeter(spec);
    }
    return true;
}
}  // namespace

bool DeviceModel::Load(const std::string& text, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> words;
        std::string problem;
        if (!SplitWords(line, words))
            problem = "unterminated quote";
        else if (words.empty() || words[0][0] == '#')
            continue;
        VariableSpec spec;
        if (problem.empty() && ParseVariable(words, *this, spec, problem))
        {
            Add(spec);
            continue;
        }
        error = "line " + std::to_string(number) + ": " + problem;
        return false;
    }
    return true;
}

bool DeviceModel::LoadFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!Load(text.str(), error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ParseNumber(const std::string& text, double& number)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    number = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(number);
}
}  // namespace devicesim
