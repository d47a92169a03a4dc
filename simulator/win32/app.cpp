#include "simulator/win32/app.h"

#include "simulator/core/document_argument.h"
#include "simulator/core/moxlan_app.h"
#include "simulator/win32/host_events.h"
#include "simulator/win32/info_dialogs.h"
#include "simulator/win32/main_frame.h"
#include "simulator/win32/message_box.h"
#include "simulator/win32/resource.h"
#include "vetrel/vetrel.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace moxlan::win32 {

namespace {

std::string modulePath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

std::vector<std::string> programArguments()
{
    return std::vector<std::string>(__argv + std::min(__argc, 1), __argv + __argc);
}

int messageLoop(HWND frame)
{
    HACCEL accelerators =
        LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(frame, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

// A start-up problem goes to the event log and, for whoever started the program from a
// console, to standard error.
void report(CMainFrame& frame, const std::string& text)
{
    std::fprintf(stderr, "Moxlan: %s\n", text.c_str());
    std::fflush(stderr);
    SYSTEMTIME now;
    GetLocalTime(&now);
    frame.eventView().addLine(text, now);
    frame.eventView().showNewLines();
}

// The document's life on the screen: the window shows it from the start to the orderly exit.
// The runtime starts once the window exists: a program that cannot show itself (no display)
// ends before any client is handed to it.
int showDocument(CMoxlanDoc& doc, CDocumentFiles& files)
{
    CMainFrame frame(doc, files);
    if (!frame.create()) {
        std::fprintf(stderr, "Moxlan: the main window could not be created (is there a display? "
                             "moxlan-console runs without one)\n");
        return 1;
    }
    CMoxlanApp& app = theApp();
    app.m_mainWindow = frame.hwnd();
    app.m_pEventView = &frame.eventView();
    if (!doc.startupNote().empty()) report(frame, doc.startupNote());
    if (!doc.startupProblem().empty()) report(frame, doc.startupProblem());
    // COM hands a waiting client over as soon as InitVetrel registers the class: the
    // document's tags are there by then. Without a server the window still edits and simulates.
    const bool serving = InitVetrel(kMoxlanClsid, kServerRate);
    if (!serving) report(frame, kServerRefusedMessage);
    if (serving) {
        if (const std::string problem = registrationProblem(); !problem.empty())
            report(frame, problem);
    }
    ShowWindow(frame.hwnd(), SW_SHOW);
    UpdateWindow(frame.hwnd());
    if (!serving) showMessage(frame.hwnd(), kServerRefusedMessage, MB_ICONEXCLAMATION);
    showVersionDialog(frame.hwnd());

    const int exitCode = messageLoop(frame.hwnd());
    app.m_pEventView = nullptr;
    app.m_mainWindow = nullptr;
    return serving ? exitCode : 1;
}

} // namespace

CMoxlanApp& theApp()
{
    static CMoxlanApp app;
    return app;
}

int runMoxlan(const char* commandLine)
{
    const std::string directory = programDirectory(modulePath());
    const RegistrationRequest request = scanCommandLine(commandLine ? commandLine : "");
    if (request != RegistrationRequest::None) {
        runRegistration(request, directory + kMoxlanExeName);
        return 0;
    }

    installHostCallbacks();
    CRecentFileList recent;
    recent.load();
    int exitCode = 1;
    {
        CMoxlanDoc doc(directory + kConfigFileName, [](const std::string& message) {
            showMessage(theApp().m_mainWindow, message, MB_ICONEXCLAMATION);
        });
        theApp().m_pDoc = &doc;
        CDocumentFiles files(doc, recent);
        if (files.start(documentArgument(programArguments()))) exitCode = showDocument(doc, files);
        theApp().m_pDoc = nullptr;
        // Reports that arrive while the document saves and removes its tags are dropped.
        closeMailbox();
    }
    recent.save();
    return exitCode;
}

} // namespace moxlan::win32
