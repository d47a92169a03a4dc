// CMoxlanApp: the program's one application object. It knows the document and the event log
// while they exist, so that what the runtime reports reaches them on the main thread.
#pragma once

#include "simulator/core/moxlan_doc.h"

namespace moxlan::win32 {

class COPCSvrEventView;

struct CMoxlanApp
{
    CMoxlanDoc* m_pDoc = nullptr;
    COPCSvrEventView* m_pEventView = nullptr;
    HWND m_mainWindow = nullptr;
};

CMoxlanApp& theApp();

// The whole run: a registration run ends after writing or removing the registry entries;
// otherwise the server is bound and the window runs until the orderly exit. Returns the
// process exit code.
int runMoxlan(const char* commandLine);

} // namespace moxlan::win32
