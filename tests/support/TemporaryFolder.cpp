#include "support/TemporaryFolder.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace test_support {

TemporaryFolder::TemporaryFolder() {
    std::random_device entropy;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = base / ("zov_test_" + std::to_string(entropy()));
        if (std::filesystem::create_directory(path)) {
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be created");
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::u16string TemporaryFolder::PathOf(std::u16string_view name) const {
    return (path / std::filesystem::path(name)).u16string();
}

std::u16string TemporaryFolder::WriteFile(std::u16string_view name, std::string_view content) const {
    std::ofstream(path / std::filesystem::path(name), std::ios::binary).write(content.data(), content.size());
    return PathOf(name);
}

std::string TemporaryFolder::ReadFile(std::u16string_view name) const {
    std::ifstream file(path / std::filesystem::path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace test_support
