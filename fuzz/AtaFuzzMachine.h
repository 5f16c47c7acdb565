// The ATA fuzzers' machine: no processor, a bus the fuzzer ticks, and the ATA controller at 1F0h/3F6h with a hard
// disk (drive 0) and a CD drive (drive 1) on images in a folder of the process's own, removed when it ends. A request
// source takes the controller's line when the input says so.
#pragma once

#include "fuzz/PowerOn.h"

#include "common/PathString.h"
#include "emu/core/BusService.h"
#include "emu/core/Computer.h"
#include "emu/core/DriveSet.h"
#include "emu/core/InterruptController.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/PortMap.h"
#include "emu/storage/AtaController.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <system_error>

namespace ata_fuzz {

inline constexpr uint32_t kTaskFile = 0x1F0;
inline constexpr uint32_t kControlBlock = 0x3F6;
inline constexpr uint32_t kLine = 14;
// The smallest disk of the geometry table, and a CD of 64 blocks.
inline constexpr uint64_t kDiskSize = 10653696;
inline constexpr uint64_t kCdSize = 64 * 2048;

// The two images, made once per process in a folder of its own and removed at its end.
class Images {
public:
    static const Images& Get() {
        static const Images images;
        return images;
    }
    ~Images() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::filesystem::path disk;
    std::filesystem::path cd;

private:
    Images() {
        std::random_device entropy;
        do {
            folder = std::filesystem::temp_directory_path() / ("zov_ata_fuzz_" + std::to_string(entropy()));
        } while (!std::filesystem::create_directory(folder));
        disk = folder / "disk.img";
        cd = folder / "cd.iso";
        // Each dword holds its own offset, up to 128 KiB; the disk is sparse beyond.
        for (const auto& [path, size] : {std::pair{disk, kDiskSize}, std::pair{cd, kCdSize}}) {
            std::ofstream file(path, std::ios::binary);
            for (uint32_t at = 0; at < kCdSize; at += 4) {
                file.write(reinterpret_cast<const char*>(&at), 4);
            }
            file.close();
            std::filesystem::resize_file(path, size);
        }
    }
};

class Machine : public emu::Computer {
public:
    Machine() : Computer("FUZZ") {
        CreateServices();
        Drives()->SetHardDiskCount(1);
        Drives()->SetCdRomCount(1);
        auto made = std::make_unique<emu::AtaController>();
        controller = made.get();
        controller->SetIrq(static_cast<int32_t>(kLine), true, true);
        controller->RegisterPorts(static_cast<int32_t>(kTaskFile));
        controller->RegisterControlPorts(static_cast<int32_t>(kControlBlock));
        const Images& images = Images::Get();
        emu::DriveSlot* disk = Drives()->DriveAt(emu::DriveKind::HardDisk, 0);
        emu::DriveSlot* cd = Drives()->DriveAt(emu::DriveKind::CdRom, 0);
        disk->OpenImage(common::PathString(images.disk.u16string().c_str()));
        cd->OpenImage(common::PathString(images.cd.u16string().c_str()));
        controller->AddDrive(disk);
        controller->SetNewDrivesAtapi(true);
        controller->AddDrive(cd);
        AddChild(std::move(made));
    }

    bool PowerOn() {
        return Memory()->Create(0x10000, 0xFFFF, 0) && fuzz::StartRegistering(*this) &&
               Interrupts()->AddSource(this, nullptr, &TakeRequest, nullptr) && SetBusRate(4000, -1, false) > 0;
    }

    void Tick(int32_t ticks) {
        for (int32_t tick = 0; tick < ticks; ++tick) {
            TickBus();
        }
    }

    emu::AtaController* controller = nullptr;
    bool takesRequests = true;

private:
    static bool TakeRequest(void* context, uint32_t line, uint8_t) {
        return line == kLine && static_cast<Machine*>(context)->takesRequests;
    }
};

} // namespace ata_fuzz
