// Seed corpora written by the code itself: with ZOV_FUZZ_SEED_DIR set, a fuzzer writes what its own loader reads
// (a real saved chunk) into that folder before it starts, and libFuzzer then starts from it.
#pragma once

#include <algorithm>
#include <cstddef>
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

// Writes the input bytes that choose a fuzzer's path (its lead), then the saved bytes that path takes.
inline void WriteSeed(const char* name, std::vector<uint8_t> lead, const std::vector<uint8_t>& bytes) {
    lead.insert(lead.end(), bytes.begin(), bytes.end());
    WriteSeed(name, lead);
}

// Seeds for a fuzzer whose input, after the lead, is 0 and a state to load as it is, or another byte and changes
// to make to its own saved state: that state unchanged, both ways. ownState is the state saved for the lead.
inline void WriteStateSeeds(const std::string& name, const std::vector<uint8_t>& lead,
                            const std::vector<uint8_t>& ownState) {
    std::vector<uint8_t> raw = lead;
    raw.push_back(0);
    WriteSeed((name + "_state").c_str(), raw, ownState);
    std::vector<uint8_t> changed = lead;
    changed.push_back(1);
    WriteSeed((name + "_unchanged").c_str(), changed);
}

// Where the chunks of a saved state begin (a chunk begin marker, then a narrow name record): the places to cut it
// for seeds that end inside each chunk.
inline std::vector<size_t> ChunkStarts(const std::vector<uint8_t>& state) {
    std::vector<size_t> starts;
    for (size_t at = 0; at + 1 < state.size(); ++at) {
        if (state[at] == 0xF0 && state[at + 1] == 0x81) {
            starts.push_back(at);
        }
    }
    return starts;
}

// Seeds for a fuzzer that edits one of its own saved states: lead picks the state, then two bytes give the length
// to cut it to, in units of unit bytes; no edits follow. One seed keeps the state whole, the others cut it just
// inside each of its chunks.
inline void WriteCutSeeds(const std::string& name, const std::vector<uint8_t>& lead, const std::vector<uint8_t>& state,
                          size_t unit) {
    WriteSeed((name + "_whole").c_str(), lead, {0xFF, 0xFF});
    for (const size_t start : ChunkStarts(state)) {
        const size_t length = std::min<size_t>(start / unit + 2, 0xFFFE);
        WriteSeed((name + "_cut" + std::to_string(start)).c_str(), lead,
                  {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    }
}

} // namespace fuzz
