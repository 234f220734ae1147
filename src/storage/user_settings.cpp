#include "storage/user_settings.h"

#include <limits>

#include <wx/config.h>

namespace
{
struct SettingRow
{
    const char* key;
    long fallback;
    long min;
    long max;
};

const SettingRow kRows[] = {
    {"autolock", 5, 0, 10},
    {"maintain_ms", 500, 0, 500},
    {"vuspeed", 25, 1, 100},
    {"posx", -1, -1, std::numeric_limits<long>::max()},
    {"posy", -1, -1, std::numeric_limits<long>::max()},
};

const SettingRow& Row(UserSetting setting)
{
    return kRows[static_cast<int>(setting)];
}
}  // namespace

wxString UserSettingKey(UserSetting setting)
{
    return Row(setting).key;
}

long ReadUserSetting(const wxConfigBase& config, UserSetting setting)
{
    const SettingRow& row = Row(setting);
    long value = row.fallback;
    if (!config.Read(row.key, &value) || value < row.min || value > row.max)
        return row.fallback;
    return value;
}

long ReadUserSetting(UserSetting setting)
{
    wxConfigBase* config = wxConfigBase::Get();
    return config ? ReadUserSetting(*config, setting) : Row(setting).fallback;
}

void WriteUserSetting(UserSetting setting, long value)
{
    if (wxConfigBase* config = wxConfigBase::Get())
        config->Write(Row(setting).key, value);
}
