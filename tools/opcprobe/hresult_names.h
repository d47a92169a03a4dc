// Names of the result codes an OPC client meets, and what they mean, for messages people read.
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <string>
#include <string_view>

namespace opcprobe {

// "E_NOINTERFACE 0x80004002"; codes without a name show only their number.
std::string describeResult(HRESULT result);
// The bare name, or empty when the code has none here.
std::string resultName(HRESULT result);
// The code of a name resultName gives.
std::optional<HRESULT> resultNamed(std::string_view name);
// The code in plain words, or empty when there are none here.
std::string resultMeaning(HRESULT result);
// "problem — NAME 0x...", one line a person reads first and a script or a search engine second.
std::string explainResult(const std::string& problem, HRESULT result);
// The same with the code's meaning as the problem.
std::string explainResult(HRESULT result);

} // namespace opcprobe
