#include "app/module_dir_root_loader.h"

#include <mutex>

#include "app/roots_setup.h"
#include "app/standard_dirs.h"
#include "storage/container_types.h"

wxIMPLEMENT_DYNAMIC_CLASS(CModuleDirRootLoader, wxModule);

bool CModuleDirRootLoader::OnInit()
{
    std::lock_guard<std::recursive_mutex> guard(StorageLock());
    RegisterContainerTypes();
    RegisterFirstRoots(CStandardDirs::Get());
    return true;
}

void CModuleDirRootLoader::OnExit()
{
    RemoveTempDir(CStandardDirs::Get());
}

void UseRootLoaderModule() {}
