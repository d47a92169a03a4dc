// Reading an OPC 1.0 data block with timestamps ("OPCSTMFORMATDATATIME") into the record the
// probe makes of any data change.
#pragma once

#include "data_sink.h"

#include <cstdint>
#include <optional>
#include <span>

namespace opcprobe {

// The block's group header and items as one data change. A value whose type cannot travel in
// a block (arrays, references, interfaces) comes with DISP_E_BADVARTYPE. Empty when the block
// is short or points outside itself: no part of such a block is trusted.
std::optional<DataCallback> readDataTimeBlock(std::span<const uint8_t> block);

} // namespace opcprobe
