#include "comkit/trace.h"

#include "comkit/host_callbacks.h"

#include <cstdarg>
#include <cstdio>

namespace vetrel {

void trace(const char* format, ...) noexcept
{
    const VetrelEventMsgCallback callback = hostCallbacks().eventMsg.load();
    if (!callback) return;
    char line[100];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (written < 0) return;
    callback(line);
}

} // namespace vetrel
