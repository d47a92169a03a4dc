// A fresh folder for one test's files, removed with everything in it when the test ends.
#pragma once

#include "vetrel/com.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace moxlan::test {

class TempFolder
{
public:
    TempFolder()
    {
        static std::atomic<int> made{0};
        m_path =
            std::filesystem::temp_directory_path() /
            ("moxlan-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(made++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const noexcept { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // The names of the files in the folder, sorted.
    std::vector<std::string> fileNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
};

} // namespace moxlan::test
