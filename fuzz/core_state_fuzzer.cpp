// Loads arbitrary bytes as a memory snapshot into a running core standing at a break: whole images made up from
// nothing, and the core's own image with bytes changed and cut (the seeds are that image, for both kinds). Whatever the
// bytes, a refused load must leave the machine exactly as it was (its state saved again is the image it started from),
// and an accepted one must leave a machine that takes its own image back.
#include "app/EmulatorCore.h"
#include "common/MemoryStream.h"
#include "fuzz/Seed.h"
#include "fuzz/StandInCore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Saved(emu::EmulatorCore& core) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    if (!core.SaveStateToMemory(stream, false, false)) {
        std::abort();
    }
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

bool Load(emu::EmulatorCore& core, const Bytes& bytes) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    return core.LoadStateFromMemory(stream, false);
}

struct Fixture {
    Fixture() : standIn("zov_core_state_fuzzer"), core(standIn.core) {
        if (!core->SetRunState(true, true)) {
            std::abort();
        }
        image = Saved(*core);
    }

    fuzz::StandInCore standIn;
    emu::EmulatorCore* core = nullptr;
    Bytes image;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// Odd first byte: the core's image with the input's (offset, byte) pairs written into it, cut after a length
// taken from the next two bytes. Even: the rest of the input as it is.
Bytes ImageFrom(const Bytes& own, const uint8_t* data, size_t size) {
    if (size == 0 || (data[0] & 1) == 0) {
        return Bytes(data + (size != 0 ? 1 : 0), data + size);
    }
    Bytes image = own;
    size_t at = 1;
    if (size >= 3) {
        const size_t keep = static_cast<size_t>(data[1] | (data[2] << 8));
        if (keep != 0xFFFF && keep < image.size()) {
            image.resize(image.size() - keep);
        }
        at = 3;
    }
    for (; at + 3 <= size && !image.empty(); at += 3) {
        const size_t offset = static_cast<size_t>(data[at] | (data[at + 1] << 8)) % image.size();
        image[offset] = data[at + 2];
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The core's own image as it is, and through the path that changes it: whole, and without its last 4096 bytes.
    fuzz::WriteSeed("image", {0}, TheFixture().image);
    fuzz::WriteSeed("own_image", {1, 0xFF, 0xFF});
    fuzz::WriteSeed("own_image_cut", {1, 0x00, 0x10});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& fixture = TheFixture();
    emu::EmulatorCore& core = *fixture.core;
    const Bytes image = ImageFrom(fixture.image, data, size);
    if (Load(core, image)) {
        // Accepted: the machine takes its own image back.
        if (!core.IsPowered() || !Load(core, fixture.image)) {
            std::abort();
        }
        if (!core.IsBreakPending()) {
            core.BreakEmulation(false);
        }
    } else if (!core.IsPowered() || !core.IsBreakPending() || Saved(core) != fixture.image) {
        // Refused: nothing may have changed.
        std::abort();
    }
    core.Console().Clear();
    return 0;
}
