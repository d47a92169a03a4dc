// Reading and writing the configuration files the commands work on, with the messages a user
// sees when that fails.
#pragma once

#include "simulator/core/device_list.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace moxlan::cfg {

enum class MissingFile
{
    IsAnError,
    IsEmpty,
};

// The file's variables; nothing, with a message on err naming the file and the problem, when it
// is missing (unless missing says that means no variables), cannot be read, or does not load.
std::optional<DeviceList> readConfig(const std::filesystem::path& file, MissingFile missing,
                                     std::ostream& err);

// Replaces the file in one step with the variables in the "Rev. 1.1" format; exit code.
int writeConfig(const std::filesystem::path& file, const DeviceList& devices, std::ostream& err);

} // namespace moxlan::cfg
