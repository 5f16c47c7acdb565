// Loads a raster video device's own state ("_DEV", "_VIDP", "_VIDD") on a started machine with a second video page
// and an offscreen renderer: arbitrary bytes (first byte 0), or a valid state with bytes changed (first byte not 0;
// then pairs of a 16-bit position and a value). A state that loads must keep the device drawing frames, and save
// again into bytes that load back to the same state. The seeds are the running device's state, for both kinds.
#include "OwnState.h"
#include "PowerOn.h"
#include "Seed.h"
#include "emu/core/BusService.h"
#include "emu/core/Computer.h"
#include "emu/core/MemoryMap.h"
#include "emu/devices/OffscreenRenderer.h"
#include "emu/devices/PixelExpansion.h"
#include "emu/devices/RasterVideoDevice.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Draws its lines from the shown page, one bit per pixel.
class FuzzedVideo : public emu::RasterVideoDevice {
public:
    FuzzedVideo() : RasterVideoDevice("VIDEO") {
        SetMemoryPageSize(0, 1, 0xFFFFFFFF);
        AddMemoryPages(0, 16, 1, true, true);
        SetMemoryPageSize(1, 1, 0xFFFFFFFF);
        AddMemoryPages(1, 17, 1, true, true);
    }

    bool DrawLine(int32_t line, int32_t, int32_t width, uint32_t* row, bool, int32_t) override {
        static constexpr uint32_t kPalette[2] = {0xFF000000, 0xFFFFFFFF};
        const int64_t lineBytes = (width + 7) / 8;
        if (row != nullptr && CurrentPageBuffer() != nullptr && (line + 1) * lineBytes <= MemorySize()) {
            emu::ExpandPixels1(CurrentPageBuffer() + line * lineBytes, row, kPalette, width, true);
        }
        return row != nullptr;
    }
};

class FuzzedMachine : public emu::Computer {
public:
    FuzzedMachine() : Computer("FUZZ") {
        CreateServices();
        auto device = std::make_unique<FuzzedVideo>();
        video = device.get();
        AddChild(std::move(device));
        AttachRenderer(&renderer);
    }
    ~FuzzedMachine() override { AttachRenderer(nullptr); }

    bool PowerOn() {
        return Memory()->Create(0x10000, 0xFFFF, 0) && fuzz::StartRegistering(*this) &&
               SetBusRate(4000, -1, false) > 0 && video->ScheduleRenderEvents(64, 16, 20, 50, 1);
    }

    emu::OffscreenRenderer renderer;
    FuzzedVideo* video = nullptr;
};

// The state to load: the input itself, or a state of a running device with the input's changes.
std::vector<uint8_t> StateFrom(const uint8_t* data, size_t size) {
    if (size == 0 || data[0] == 0) {
        return std::vector<uint8_t>(data + (size > 0 ? 1 : 0), data + size);
    }
    FuzzedMachine source;
    if (!source.PowerOn()) {
        std::abort();
    }
    for (int tick = 0; tick < 150; ++tick) {
        source.TickBus();
    }
    std::vector<uint8_t> state = fuzz::SavedOwnData(*source.video);
    fuzz::ChangeBytes(state, data, size);
    return state;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The first byte 1 without changes: the state as saved.
    const uint8_t unchanged = 1;
    fuzz::WriteStateSeeds("video", {}, StateFrom(&unchanged, 1));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedMachine machine;
    if (!machine.PowerOn() || !fuzz::LoadOwnData(*machine.video, StateFrom(data, size))) {
        return 0;
    }
    for (int tick = 0; tick < 100; ++tick) {
        machine.TickBus();
    }
    machine.video->RenderPendingLines(true, false);
    const std::vector<uint8_t> saved = fuzz::SavedOwnData(*machine.video);
    FuzzedMachine again;
    if (!again.PowerOn() || !fuzz::LoadOwnData(*again.video, saved) || fuzz::SavedOwnData(*again.video) != saved) {
        std::abort();
    }
    return 0;
}
