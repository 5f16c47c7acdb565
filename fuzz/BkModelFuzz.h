// A BK-0010 model for the fuzzers, on synthetic ROM images in a folder of its own: a monitor that jumps to 0120000
// and a language ROM that loops there, so that the machine runs without the real firmware.
#pragma once

#include "common/ProgramFolders.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/core/BusService.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/devices/OffscreenRenderer.h"
#include "fuzz/PowerOn.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fuzz {

// The folder of the synthetic ROMs, written once per process.
inline const std::filesystem::path& SyntheticRomFolder() {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path made =
            std::filesystem::temp_directory_path() / ("zov_fuzz_roms_" + std::to_string(std::rand()));
        std::filesystem::create_directories(made);
        const auto write = [&made](const char* name, std::string content) {
            content.resize(8192, '\0');
            std::ofstream(made / name, std::ios::binary) << content;
        };
        // JMP @#120000; the language ROM: BR .
        write("monit10.rom", std::string("\x5F\x00\x00\xA0", 4));
        for (const char* name : {"Focal.rom", "Basic10first.rom", "Basic10second.rom", "Basic10third.rom"}) {
            write(name, std::string("\xFF\x01", 2));
        }
        return made;
    }();
    return folder;
}

// A model's machine with its devices, the offscreen renderer and the null output; its ROMs from the synthetic
// folder.
template <typename Model>
class FuzzedModel {
public:
    FuzzedModel() : machine(std::make_unique<Model>()) {
        const std::u16string folder = SyntheticRomFolder().u16string() + u"/zovbk.exe";
        machine->SetFolders(common::ProgramFolders(folder, std::u16string()));
        machine->SetSoundOutput(&sound);
        machine->AttachRenderer(&renderer);
        if (!machine->CreateServices()) {
            std::abort();
        }
    }
    ~FuzzedModel() {
        machine->AttachRenderer(nullptr);
        if (machine->IsRunning()) {
            machine->Stop();
        }
    }
    FuzzedModel(const FuzzedModel&) = delete;
    FuzzedModel& operator=(const FuzzedModel&) = delete;

    // Started as the core starts a machine, with the bus at the synchronised rate.
    bool PowerOn() {
        if (!StartRegistering(*machine) || machine->SetBusRate(88200, -1, true) <= 0) {
            return false;
        }
        machine->FirstCpu()->RebuildEvents();
        machine->TickBus();
        return true;
    }

    // The processor's slices of one bus tick each, with its events dispatched when due.
    void Run(int32_t slices) {
        emu::CpuInterface& cpu = *machine->FirstCpu();
        for (int32_t slice = 0; slice < slices; ++slice) {
            RunSlice(cpu);
            machine->TickBus();
        }
    }

    Model& Machine() const { return *machine; }

private:
    emu::HostSoundOutput sound;
    emu::OffscreenRenderer renderer;
    std::unique_ptr<Model> machine;
};

} // namespace fuzz
