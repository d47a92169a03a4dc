// Whole-file reading and crash-safe replacing of the files the simulator keeps.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace moxlan {

// The file's bytes; nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Writes the bytes to a temporary file in the target's folder and renames it over the target,
// so the target always holds either its old or its new bytes, never a part. False when any
// step fails; the target is then unchanged and the temporary file gone.
bool replaceFile(const std::filesystem::path& target, std::string_view bytes);

} // namespace moxlan
