#include "support/TemporaryFolder.h"

#include <cstdlib>
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

bool CopyRealRoms(const std::filesystem::path& folder) {
    const char* images = std::getenv("BK_ROM_DIR");
    if (images == nullptr || *images == '\0') {
        return false;
    }
    std::string source(images);
#ifdef _WIN32
    // Under Wine the host's root is drive Z:.
    if (source.front() == '/') {
        source.insert(0, "Z:");
    }
#endif
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
        if (entry.is_regular_file(error) &&
            !std::filesystem::copy_file(entry.path(), folder / entry.path().filename(), error)) {
            return false;
        }
    }
    return !error;
}

const std::optional<std::filesystem::path>& RealRomFolder() {
    static const TemporaryFolder copy;
    static const std::optional<std::filesystem::path> folder =
        CopyRealRoms(copy.Path()) ? std::optional<std::filesystem::path>(copy.Path()) : std::nullopt;
    return folder;
}

} // namespace test_support
