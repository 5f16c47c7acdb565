#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace test_support {

// A fresh empty folder under the system's temporary folder, removed with everything in it when the fixture goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path; }
    // The UTF-16 path of an entry of the folder.
    std::u16string PathOf(std::u16string_view name) const;
    // Writes a file of the folder and answers its UTF-16 path.
    std::u16string WriteFile(std::u16string_view name, std::string_view content) const;
    // The content of a file of the folder; empty when it cannot be read.
    std::string ReadFile(std::u16string_view name) const;

private:
    std::filesystem::path path;
};

// Copies the real ROM images (BK_ROM_DIR) into folder; false when BK_ROM_DIR is not set or a copy fails. A program
// run from a copy keeps its settings, states and configurations beside itself, so no test writes into the shared
// images' folder.
bool CopyRealRoms(const std::filesystem::path& folder);

// A copy made once per process, for machines that only read their ROMs; nothing when CopyRealRoms fails.
const std::optional<std::filesystem::path>& RealRomFolder();

} // namespace test_support
