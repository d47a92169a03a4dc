#include "platform/process_end.h"

namespace vetrel::platform {

// exit() runs the library's destructors with every thread still running.
bool processIsEnding() noexcept
{
    return false;
}

} // namespace vetrel::platform
