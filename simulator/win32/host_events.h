// What the runtime reports from its own threads reaches the main thread through the mailbox:
// the callbacks queue the report and ring the main window with a posted message, and the main
// window delivers the queued reports to the document and the event log.
#pragma once

#include <windows.h>

namespace moxlan::win32 {

// The message the main window receives when reports wait.
constexpr UINT WM_HOST_EVENTS = WM_APP + 1;

// Hands the runtime the event message and write notification callbacks.
void installHostCallbacks();
// Reports ring this window from now on.
void openMailbox(HWND window);
// The document and the event log are going: later reports are dropped.
void closeMailbox();
// Delivers every waiting report, on the main thread, to what the application object knows.
void deliverHostEvents();

} // namespace moxlan::win32
