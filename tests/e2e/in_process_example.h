// The example's tags in a runtime of the test program's own process, to hold what a client sees
// of the host across processes against what it sees in process.
#pragma once

#include "vetrel/com.h"

namespace e2e {

// The class of that runtime, which the first call starts with the tags the host creates and at
// the host's rate. It is not the host's class: COM never hands it a client of the host.
const CLSID& inProcessExample();

} // namespace e2e
