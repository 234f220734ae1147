#include "storage/container_types.h"

#include <vector>

namespace
{
struct ContainerRow
{
    wxString extension;
    wxString key;
    int alias;
};

// An alias chain longer than this is treated as broken.
const int kMaxAliasSteps = 9;

std::vector<ContainerRow>& Rows()
{
    static std::vector<ContainerRow> rows = {
        {"", "", 0},
        {"pst", "Mv8-Tq2!xLw7Pz9;hR4Nc6=bK1sYd", 1},
        {"sml", "Wd3 Qo9vL Bx5Ke!7Tn Hu2=Zr8Fg;Jy", 2},
        {"vks", "Kp4Xw:9Lm2Rq-Tz7Nb!3Vc8Jh5Sd0", 3},
        {"zip", "", 4},
        {"skn", "Gy6=Fh1Qt8;Ln3Wb-Mx5Pr2!Cs7Dk", 5},
    };
    return rows;
}

bool InTable(int type)
{
    return type >= 0 && static_cast<size_t>(type) < Rows().size();
}
}  // namespace

std::recursive_mutex& StorageLock()
{
    static std::recursive_mutex lock;
    return lock;
}

void RegisterContainerTypes()
{
    std::lock_guard<std::recursive_mutex> guard(StorageLock());
    Rows();
}

int AddContainerAlias(const wxString& extension)
{
    std::lock_guard<std::recursive_mutex> guard(StorageLock());
    std::vector<ContainerRow>& rows = Rows();
    rows.push_back({extension, rows[kContainerPackage].key, kContainerPackage});
    return static_cast<int>(rows.size() - 1);
}

wxString GetContainerExtension(int type)
{
    std::lock_guard<std::recursive_mutex> guard(StorageLock());
    return InTable(type) ? Rows()[type].extension : wxString();
}

wxString GetContainerKey(int type)
{
    std::lock_guard<std::recursive_mutex> guard(StorageLock());
    return InTable(type) ? Rows()[type].key : wxString();
}

wxString GetContainerTag(int type)
{
    std::lock_guard<std::recursive_mutex> guard(StorageLock());
    for (int step = 0; step <= kMaxAliasSteps && InTable(type); ++step)
    {
        const ContainerRow& row = Rows()[type];
        if (row.alias == type)
            return row.extension;
        type = row.alias;
    }
    return wxString();
}

wxString GetArchiveFileName(const wxString& name, int type)
{
    return wxString::Format("%s.%s", name, GetContainerExtension(type));
}
