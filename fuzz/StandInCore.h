// The core the core fuzzers drive: a stand-in model (a 1801BM1 in 64 KB of RAM, without drive slots, so that no
// host file is mounted) under an emulator configuration of its own, with its program folder in the temporary folder.
#pragma once

#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/ProgramFolders.h"
#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/RendererBase.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace fuzz {

class StandInModel : public emu::Computer {
public:
    StandInModel() : Computer("FUZZ") {
        CreateServices();
        auto cpu = std::make_unique<emu::Cpu1801BM1>();
        cpu->SetFrequency(3000000);
        cpu->SetStartWord(01000);
        AddChild(std::move(cpu));
    }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<StandInModel>(); }
    const char* ModelId() const override { return "fuzz"; }
    bool Start(int32_t& rate) override { return Memory()->Create(0x10000, 0xFFFF, 0) && Computer::Start(rate); }
};

inline std::unique_ptr<emu::Computer> MakeStandInModel() {
    return std::make_unique<StandInModel>();
}

inline constexpr emu::EmulatorConfig::MachineListEntry kStandInModels[] = {{&MakeStandInModel, false}};

struct StandInCore {
    // folderName names the program's folder inside the temporary folder.
    explicit StandInCore(const char* folderName) {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / folderName;
        std::filesystem::create_directories(folder);
        emu::EmulatorConfig::Environment environment;
        environment.folders = common::ProgramFolders((folder / "fuzzer").u16string(), std::u16string());
        config = std::make_unique<emu::EmulatorConfig>(std::move(environment), kStandInModels,
                                                       emu::EmulatorConfig::HostMedia());
        core = config->CreateCore(0);
        if (core == nullptr) {
            std::abort();
        }
    }

    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
};

} // namespace fuzz
