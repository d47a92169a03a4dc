// Names of the result codes an OPC client meets, for messages people read.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace opcprobe {

// "E_NOINTERFACE (0x80004002)"; codes without a name show only their number.
std::string describeResult(HRESULT result);
// The bare name, or empty when the code has none here.
std::string resultName(HRESULT result);

} // namespace opcprobe
