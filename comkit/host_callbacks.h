// The four host callbacks: installed once by the Enable functions, then used until unload.
#pragma once

#include "vetrel/vetrel.h"

#include <atomic>

namespace vetrel {

struct HostCallbacks
{
    std::atomic<VetrelEventMsgCallback> eventMsg{nullptr};
    std::atomic<VetrelWriteNotificationCallback> writeNotification{nullptr};
    std::atomic<VetrelUnknownItemCallback> unknownItem{nullptr};
    std::atomic<VetrelItemRemovalCallback> itemRemoval{nullptr};
};

HostCallbacks& hostCallbacks() noexcept;

} // namespace vetrel
