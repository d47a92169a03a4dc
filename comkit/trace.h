// Trace lines: the running text of client calls that the host's event message callback sees.
#pragma once

namespace vetrel {

// Formats one line into the 100-byte buffer the host receives (99 characters at most) and
// hands it to the event message callback, if the host installed one.
void trace(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));

} // namespace vetrel
