// Seed corpora written by the code itself: with ZOV_FUZZ_SEED_DIR set, a fuzzer writes what its own loader reads
// (a real saved chunk) into that folder before it starts, and libFuzzer then starts from it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace fuzz {

// Writes bytes as the seed file name of the seed folder; nothing without a folder.
inline void WriteSeed(const char* name, const std::vector<uint8_t>& bytes) {
    const char* folder = std::getenv("ZOV_FUZZ_SEED_DIR");
    if (folder == nullptr || *folder == '\0') {
        return;
    }
    std::ofstream file(std::string(folder) + "/" + name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace fuzz
