// Loads arbitrary bytes as a memory snapshot into a running core standing at a break: whole images made up from
// nothing, and the core's own image with bytes changed and cut. Whatever the bytes, a refused load must leave the
// machine exactly as it was (its state saved again is the image it started from), and an accepted one must leave a
// machine that takes its own image back.
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/MemoryStream.h"
#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/NullRenderer.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A 1801BM1 in 64 KB of RAM.
class FuzzedModel : public emu::Computer {
public:
    FuzzedModel() : Computer("FUZZ") {
        CreateServices();
        auto cpu = std::make_unique<emu::Cpu1801BM1>();
        cpu->SetFrequency(3000000);
        cpu->SetStartWord(01000);
        AddChild(std::move(cpu));
    }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<FuzzedModel>(); }
    const char* ModelId() const override { return "fuzz"; }
    bool Start(int32_t& rate) override { return Memory()->Create(0x10000, 0xFFFF, 0) && Computer::Start(rate); }
};

std::unique_ptr<emu::Computer> MakeModel() {
    return std::make_unique<FuzzedModel>();
}

constexpr emu::EmulatorConfig::MachineListEntry kModels[] = {{&MakeModel, false}};

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
    Fixture() {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zov_core_state_fuzzer";
        std::filesystem::create_directories(folder);
        emu::EmulatorConfig::Environment environment;
        environment.folders = common::ProgramFolders((folder / "fuzzer").u16string(), std::u16string());
        config =
            std::make_unique<emu::EmulatorConfig>(std::move(environment), kModels, emu::EmulatorConfig::HostMedia());
        core = config->CreateCore(0);
        if (core == nullptr || !core->SetRunState(true, true)) {
            std::abort();
        }
        image = Saved(*core);
    }

    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
    Bytes image;
};

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
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
