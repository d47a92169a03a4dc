#include "simulator/win32/host_events.h"

#include "simulator/core/main_queue.h"
#include "simulator/win32/app.h"
#include "simulator/win32/event_log_view.h"
#include "vetrel/vetrel.h"

#include <atomic>

namespace moxlan::win32 {

namespace {

std::atomic<HWND> g_mailbox{nullptr};
// One posted message rings for any number of reports, so a flood of trace lines cannot fill
// the window's message queue.
std::atomic<bool> g_rung{false};

void ring()
{
    HWND window = g_mailbox.load();
    if (window && !g_rung.exchange(true)) {
        if (!PostMessageA(window, WM_HOST_EVENTS, 0, 0)) g_rung = false;
    }
}

void onEventMessage(char* text)
{
    if (postTrace(text)) ring();
}

void onTagWritten(DWORD hTag)
{
    if (postTagWritten(hTag)) ring();
}

} // namespace

void installHostCallbacks()
{
    EnableEventMsgs(onEventMessage);
    EnableNotification(onTagWritten);
}

void openMailbox(HWND window)
{
    g_mailbox = window;
}

void closeMailbox()
{
    g_mailbox = nullptr;
    mainQueue().close();
}

void deliverHostEvents()
{
    // Reports queued from here on ring again. Only the reports waiting now are delivered, so a
    // client that keeps the runtime tracing cannot keep the window from its timer and input.
    g_rung = false;
    const CMoxlanApp& app = theApp();
    bool traced = false;
    for (const HostEvent& event : mainQueue().takeAll()) {
        switch (event.kind) {
        case HostEvent::Kind::Trace:
            if (app.m_pEventView) app.m_pEventView->addLine(event.text, event.time);
            traced = true;
            break;
        case HostEvent::Kind::TagWritten:
            if (app.m_pDoc) app.m_pDoc->OnTagWritten(event.tag, event.value);
            break;
        case HostEvent::Kind::Interrupt:
        case HostEvent::Kind::Terminate:
        case HostEvent::Kind::Command:
            break;
        }
    }
    if (traced && app.m_pEventView) app.m_pEventView->showNewLines();
}

} // namespace moxlan::win32
