#include "simulator/core/file_store.h"

#include "vetrel/com.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace moxlan {

std::optional<std::string> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    // A folder opens like a file on some systems and fails only when read, by an exception.
    try {
        std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (file.bad()) return std::nullopt;
        return bytes;
    } catch (const std::ios_base::failure&) {
        return std::nullopt;
    }
}

bool replaceFile(const std::filesystem::path& target, std::string_view bytes)
{
    // The process id keeps two programs saving the same file from sharing a temporary file.
    std::filesystem::path temporary = target;
    temporary += "." + std::to_string(GetCurrentProcessId()) + ".saving";
    std::error_code ignored;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (file.fail()) {
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, target, renamed);
    if (renamed) {
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

} // namespace moxlan
