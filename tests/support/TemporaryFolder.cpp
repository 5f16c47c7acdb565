#include "support/TemporaryFolder.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace test {

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() / ("zov-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path = candidate;
            return;
        }
    }
    throw std::runtime_error("no fresh temporary folder could be made");
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::u16string TemporaryFolder::Folder() const {
    return (path / "").u16string();
}

std::u16string TemporaryFolder::PathOf(std::u16string_view relative) const {
    return (path / std::filesystem::path(std::u16string(relative))).u16string();
}

void TemporaryFolder::WriteFile(std::u16string_view relative, std::string_view bytes) const {
    std::ofstream file(path / std::filesystem::path(std::u16string(relative)), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("the test file could not be written");
}

} // namespace test
