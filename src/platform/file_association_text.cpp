#include "platform/file_association_text.h"

#include <vector>

namespace
{
const char kSection[] = "[Default Applications]";

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

bool IsSectionHeader(const std::string& line)
{
    const std::string trimmed = Trimmed(line);
    return !trimmed.empty() && trimmed[0] == '[';
}

bool IsEntryOf(const std::string& line, const std::string& key)
{
    const size_t equals = line.find('=');
    return equals != std::string::npos && Trimmed(line.substr(0, equals)) == key;
}

// Finds the body [first, last) of the first section named like kSection.
bool FindSection(const std::vector<std::string>& lines, size_t& first, size_t& last)
{
    first = 0;
    while (first < lines.size() && Trimmed(lines[first]) != kSection)
        ++first;
    if (first == lines.size())
        return false;
    last = ++first;
    while (last < lines.size() && !IsSectionHeader(lines[last]))
        ++last;
    return true;
}

std::vector<std::string> SplitList(const std::string& value)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= value.size())
    {
        size_t end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        const std::string item = Trimmed(value.substr(start, end - start));
        if (!item.empty())
            items.push_back(item);
        start = end + 1;
    }
    return items;
}
// The ";"-separated list without item (each remaining item followed by ";"); found tells whether it was there.
std::string ListWithout(const std::string& value, const std::string& item, bool& found)
{
    std::string others;
    for (const std::string& entry : SplitList(value))
    {
        if (entry == item)
            found = true;
        else
            others += entry + ";";
    }
    return others;
}
}  // namespace

bool QuoteDesktopExecArgument(const std::string& path, std::string& exec)
{
    if (path.empty() || path[0] != '/')
        return false;
    std::string quoted = "\"";
    for (char c : path)
    {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted)
    {
        if (c == '\\' || c == '%')
            value += c;
        value += c;
    }
    exec = value;
    return true;
}

std::string SetDefaultApplication(const std::string& text, const std::string& mimeType, const std::string& desktopId)
{
    std::vector<std::string> lines = SplitLines(text);
    const std::string entry = mimeType + "=" + desktopId;
    size_t first, last;
    if (!FindSection(lines, first, last))
    {
        if (!lines.empty() && !Trimmed(lines.back()).empty())
            lines.push_back(std::string());
        lines.push_back(kSection);
        lines.push_back(entry);
        return JoinLines(lines);
    }
    bool written = false;
    for (size_t i = first; i < last;)
    {
        if (!IsEntryOf(lines[i], mimeType))
            ++i;
        else if (written)
        {
            lines.erase(lines.begin() + i);  // a second entry for the type would contradict the first
            --last;
        }
        else
        {
            lines[i++] = entry;
            written = true;
        }
    }
    if (!written)
    {
        size_t at = last;
        while (at > first && Trimmed(lines[at - 1]).empty())
            --at;
        lines.insert(lines.begin() + at, entry);
    }
    return JoinLines(lines);
}

std::string RemoveDefaultApplication(const std::string& text, const std::string& mimeType, const std::string& desktopId)
{
    bool inSection = false;
    bool changed = false;
    std::vector<std::string> kept;
    for (const std::string& line : SplitLines(text))
    {
        if (IsSectionHeader(line))
            inSection = Trimmed(line) == kSection;
        if (!inSection || !IsEntryOf(line, mimeType))
        {
            kept.push_back(line);
            continue;
        }
        bool ours = false;
        const std::string others = ListWithout(line.substr(line.find('=') + 1), desktopId, ours);
        if (!ours)
        {
            kept.push_back(line);
            continue;
        }
        changed = true;
        if (!others.empty())
            kept.push_back(mimeType + "=" + others);
    }
    return changed ? JoinLines(kept) : text;
}
