// A fresh empty folder under the system's temporary folder, removed with everything in it at the end of the test.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace test {

class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path; }
    // The folder as the program names folders: 16-bit text ending with the separator.
    std::u16string Folder() const;
    // A path inside the folder, as 16-bit text.
    std::u16string PathOf(std::u16string_view relative) const;
    // Creates (or replaces) a file inside the folder with the given bytes.
    void WriteFile(std::u16string_view relative, std::string_view bytes) const;

private:
    std::filesystem::path path;
};

} // namespace test
