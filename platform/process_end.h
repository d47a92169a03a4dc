// Whether the process is ending: the system has stopped every other thread, so no thread the
// library started will ever finish what it was doing.
#pragma once

namespace vetrel::platform {

bool processIsEnding() noexcept;

} // namespace vetrel::platform
