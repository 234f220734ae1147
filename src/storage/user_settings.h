#pragma once
// The integer keys of the per-user settings file, with their defaults and the ranges accepted on reading. The
// file itself is opened at start-up and installed as the toolkit's global configuration object; the readers
// here go through that object.
//
// Thread contract: GUI thread (the configuration object is not shared).
#include <wx/string.h>

class wxConfigBase;

enum class UserSetting
{
    AutoLock,    // "autolock": minutes before the panel locks itself, 0 = never; 0..10, default 5
    MaintainMs,  // "maintain_ms": button hold time in milliseconds; 0..500, default 500
    VuSpeed,     // "vuspeed": VU-meter speed, 1 slowest .. 100 fastest; default 25
    PosX,        // "posx": screen x of the main window, -1 and above, default -1
    PosY,        // "posy": screen y of the main window, -1 and above, default -1
};

wxString UserSettingKey(UserSetting setting);
// The stored value; the default when the key is missing, and also when the stored value is out of range.
long ReadUserSetting(const wxConfigBase& config, UserSetting setting);
// The same from the global configuration object (the toolkit creates one on demand when none is installed).
long ReadUserSetting(UserSetting setting);
void WriteUserSetting(UserSetting setting, long value);
