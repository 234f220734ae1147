#pragma once
// CModuleDirRootLoader: the toolkit module that fills the container table and registers the first roots before
// the application object starts, and removes the per-process temporary directory after it has ended.
#include <wx/module.h>

class CModuleDirRootLoader : public wxModule
{
public:
    bool OnInit() override;
    void OnExit() override;

private:
    wxDECLARE_DYNAMIC_CLASS(CModuleDirRootLoader);
};

// The module registers itself when its code is part of the program; main calls this so that the linker keeps it.
void UseRootLoaderModule();
