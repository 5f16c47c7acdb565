// The ATA tests' machine: the RAM test machine with the 1801BM1 looping on BR . for time, the controller at the
// PC's primary ports (1F0h-1F7h, 3F6h-3F7h) on a line a recording request source owns, and its drives on temporary
// images whose sectors and blocks hold their own address. The tests reach the registers through the machine's
// port service between slices, as an adapter would.
#pragma once

#include "common/PathString.h"
#include "emu/core/DriveSet.h"
#include "emu/core/InterruptController.h"
#include "emu/core/PortMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "emu/storage/AtaController.h"
#include "support/RamTestMachine.h"
#include "support/RecordingConsole.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace emu {

inline constexpr uint32_t kTaskFile = 0x1F0;
inline constexpr uint32_t kData = kTaskFile;
inline constexpr uint32_t kErrorPort = kTaskFile + 1;
inline constexpr uint32_t kSectorCountPort = kTaskFile + 2;
inline constexpr uint32_t kSectorIndexPort = kTaskFile + 3;
inline constexpr uint32_t kCylinderLowPort = kTaskFile + 4;
inline constexpr uint32_t kCylinderHighPort = kTaskFile + 5;
inline constexpr uint32_t kDriveHeadPort = kTaskFile + 6;
inline constexpr uint32_t kStatusPort = kTaskFile + 7;
inline constexpr uint32_t kCommandPort = kStatusPort;
inline constexpr uint32_t kControlPort = 0x3F6;
inline constexpr uint32_t kDriveAddressPort = 0x3F7;
inline constexpr uint32_t kLine = 14;

// 306 cylinders, 8 heads, 17 sectors.
inline constexpr uint64_t kDiskSize = 21307392;
inline constexpr uint64_t kCdSize = 1000 * 2048;
// Sectors beyond these bytes are left zero (and the file sparse).
inline constexpr uint64_t kStampedBytes = 4096 * 512;

// What sits at a drive index: nothing, a drive on an empty slot, or a drive on an image.
enum class Media { None, Empty, Disk, Cd };

struct AtaLayout {
    Media drive0 = Media::Disk;
    Media drive1 = Media::Cd;
    uint64_t diskSize = kDiskSize;
    uint64_t cdSize = kCdSize;
};

// Dword i of disk sector L holds L << 8 | i; dword i of CD block B holds B << 16 | i.
inline std::string StampedBytes(uint64_t unit, uint32_t unitBytes, uint32_t count = 1) {
    std::string bytes(static_cast<size_t>(unitBytes) * count, '\0');
    const uint32_t shift = unitBytes == 512 ? 8 : 16;
    for (size_t at = 0; at < bytes.size(); at += 4) {
        const uint64_t index = unit + at / unitBytes;
        const auto value = static_cast<uint32_t>(index << shift | (at % unitBytes) / 4);
        for (size_t byte = 0; byte < 4; ++byte) {
            bytes[at + byte] = static_cast<char>(value >> (8 * byte));
        }
    }
    return bytes;
}

inline std::string SectorBytes(uint64_t lba, uint32_t count = 1) {
    return StampedBytes(lba, 512, count);
}

inline std::string BlockBytes(uint64_t block, uint32_t count = 1) {
    return StampedBytes(block, 2048, count);
}

class AtaMachine {
public:
    // With images of its own, or on the images of another machine (its drives and sizes alike).
    explicit AtaMachine(const AtaLayout& layout = {}, const AtaMachine* imagesOf = nullptr)
        : layout(layout), folder(), imagesOwner(imagesOf != nullptr ? imagesOf : this),
          ram([this](test_support::TestMachine& machine) { Build(machine); }) {
        ram.Machine().Interrupts()->AddSource(this, nullptr, &RecordRequest, nullptr);
        ram.Load(01000, {000777});
        ram.Attach(cpu);
        int32_t rate = 0;
        EXPECT_TRUE(cpu.Start(rate));
        cpu.SetRegister(7, 01000);
        EXPECT_GT(ram.Bus().SetRate(4000, &cpu, false), 0);
        cpu.RebuildEvents();
        console.ClearLines();
    }

    // Runs the processor for the cycles (1 MHz: one a microsecond), dispatching its timed events on the way.
    void Run(uint64_t cycles) {
        const uint64_t until = cpu.Cycles() + cycles;
        while (cpu.Cycles() < until) {
            const auto left = static_cast<int64_t>(until - cpu.Cycles());
            cpu.Execute(static_cast<int32_t>(std::min<int64_t>(left, std::max(cpu.cyclesToNextEvent, 1))));
            cpu.DispatchEvents();
        }
    }
    void RunMilliseconds(uint64_t milliseconds) { Run(milliseconds * 1000); }
    // Past the reset that every start begins with; requests and lines recorded so far are dropped.
    void PowerUp() {
        RunMilliseconds(3);
        requests.clear();
        console.ClearLines();
    }

    uint32_t Read(uint32_t port, uint32_t size = 1, bool peek = false) {
        PortMap& ports = *ram.Machine().Ports();
        uint8_t status = 0;
        const uint8_t quiet = peek ? 1 : 0;
        return size == 1   ? ports.ReadPortByte(port, quiet, &status)
               : size == 2 ? ports.ReadPortWord(port, quiet, &status)
                           : ports.ReadPortDword(port, quiet, &status);
    }
    void Write(uint32_t port, uint32_t value, uint32_t size = 1) {
        PortMap& ports = *ram.Machine().Ports();
        if (size == 1) {
            ports.WritePortByte(port, static_cast<uint8_t>(value));
        } else if (size == 2) {
            ports.WritePortWord(port, static_cast<uint16_t>(value));
        } else {
            ports.WritePortDword(port, value);
        }
    }
    uint8_t Status() { return static_cast<uint8_t>(Read(kStatusPort)); }
    uint8_t AltStatus() { return static_cast<uint8_t>(Read(kControlPort)); }
    uint8_t Error() { return static_cast<uint8_t>(Read(kErrorPort)); }
    void Select(int32_t index, uint8_t headBits = 0) {
        Write(kDriveHeadPort, static_cast<uint32_t>(0xA0 | index << 4 | headBits));
    }
    // The task file of a transfer: count, then the address in LBA mode or as cylinder, head and sector.
    void AddressLba(uint32_t lba, uint8_t count, int32_t drive = 0) {
        Write(kDriveHeadPort, static_cast<uint32_t>(0xE0 | drive << 4 | (lba >> 24 & 0x0F)));
        Write(kSectorCountPort, count);
        Write(kSectorIndexPort, lba & 0xFF);
        Write(kCylinderLowPort, lba >> 8 & 0xFF);
        Write(kCylinderHighPort, lba >> 16 & 0xFF);
    }
    void AddressChs(uint32_t cylinder, uint32_t head, uint32_t sector, uint8_t count, int32_t drive = 0) {
        Write(kDriveHeadPort, static_cast<uint32_t>(0xA0 | drive << 4 | (head & 0x0F)));
        Write(kSectorCountPort, count);
        Write(kSectorIndexPort, sector);
        Write(kCylinderLowPort, cylinder & 0xFF);
        Write(kCylinderHighPort, cylinder >> 8 & 0xFF);
    }
    // Reads bytes from DATA with accesses of the width.
    std::string ReadData(size_t bytes, uint32_t width = 2) {
        std::string data;
        while (data.size() < bytes) {
            const uint32_t value = Read(kData, width);
            for (uint32_t byte = 0; byte < width; ++byte) {
                data.push_back(static_cast<char>(value >> (8 * byte)));
            }
        }
        return data;
    }
    void WriteData(const std::string& bytes, uint32_t width = 2) {
        for (size_t at = 0; at < bytes.size(); at += width) {
            uint32_t value = 0;
            for (uint32_t byte = 0; byte < width; ++byte) {
                value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + byte])) << (8 * byte);
            }
            Write(kData, value, width);
        }
    }
    // Runs until STATUS shows BSY clear and the mask's bits equal the wanted ones, at most a second.
    bool WaitFor(uint8_t mask, uint8_t wanted, uint64_t limitCycles = 1000000) {
        for (uint64_t spent = 0; spent < limitCycles; spent += 20) {
            const uint8_t status = static_cast<uint8_t>(Read(kControlPort, 1, true));
            if ((status & 0x80) == 0 && (status & mask) == wanted) {
                return true;
            }
            Run(20);
        }
        return false;
    }
    int32_t Raises() const { return static_cast<int32_t>(std::count(requests.begin(), requests.end(), 1)); }

    AtaController& Controller() const { return *controller; }
    AtaDrive& Drive(int32_t index) const { return *controller->AtaDriveAt(index); }
    DriveSlot* Slot(int32_t index) const { return slots[static_cast<size_t>(index)]; }
    std::u16string ImageName(int32_t index) const { return index == 0 ? u"drive0.img" : u"drive1.img"; }
    std::filesystem::path ImagePath(int32_t index) const {
        return imagesOwner->folder.Path() / std::filesystem::path(ImageName(index));
    }
    // count bytes of the image file from offset on.
    std::string ImageBytes(int32_t index, uint64_t offset, size_t count) const {
        std::ifstream file(ImagePath(index), std::ios::binary);
        file.seekg(static_cast<std::streamoff>(offset));
        std::string bytes(count, '\0');
        file.read(bytes.data(), static_cast<std::streamsize>(count));
        bytes.resize(static_cast<size_t>(file.gcount()));
        return bytes;
    }
    test_support::TestMachine& Machine() { return ram.Machine(); }

    AtaLayout layout;
    test_support::TemporaryFolder folder;
    test_support::RecordingConsole console;
    const AtaMachine* imagesOwner;
    AtaController* controller = nullptr;
    std::array<DriveSlot*, 2> slots{};
    // The line's requests as the source heard them: 1 raised, 0 withdrawn.
    std::vector<uint8_t> requests;
    // Called at each raise, as the host would take the interrupt.
    std::function<void()> onRaise;
    // 1 for every traced line.
    std::atomic<int32_t> traceAll{0};
    test_support::RamTestMachine ram;
    Cpu1801BM1 cpu;

private:
    void WriteImage(int32_t index, Media media) const {
        const bool cd = media == Media::Cd;
        const uint64_t size = cd ? layout.cdSize : layout.diskSize;
        const uint64_t stamped = std::min(size, kStampedBytes) / (cd ? 2048 : 512);
        std::string content = StampedBytes(0, cd ? 2048 : 512, static_cast<uint32_t>(stamped));
        content.resize(static_cast<size_t>(std::min<uint64_t>(size, content.size())));
        folder.WriteFile(ImageName(index), content);
        std::filesystem::resize_file(ImagePath(index), size);
    }

    void Build(test_support::TestMachine& machine) {
        machine.SetConsole(&console);
        machine.SetTraceAll(&traceAll);
        const Media media[2] = {layout.drive0, layout.drive1};
        int32_t cds = 0;
        int32_t disks = 0;
        for (const Media kind : media) {
            (kind == Media::Cd ? cds : disks) += kind == Media::None ? 0 : 1;
        }
        machine.Drives()->SetHardDiskCount(disks);
        machine.Drives()->SetCdRomCount(cds);
        auto made = std::make_unique<AtaController>();
        controller = made.get();
        controller->SetIrq(static_cast<int32_t>(kLine), true, true);
        controller->RegisterPorts(static_cast<int32_t>(kTaskFile));
        controller->RegisterControlPorts(static_cast<int32_t>(kControlPort));
        int32_t cd = 0;
        int32_t disk = 0;
        for (int32_t index = 0; index < 2; ++index) {
            const Media kind = media[index];
            if (kind == Media::None) {
                continue;
            }
            DriveSlot* slot = kind == Media::Cd ? machine.Drives()->DriveAt(DriveKind::CdRom, cd++)
                                                : machine.Drives()->DriveAt(DriveKind::HardDisk, disk++);
            slots[static_cast<size_t>(index)] = slot;
            if (kind != Media::Empty) {
                if (imagesOwner == this) {
                    WriteImage(index, kind);
                }
                EXPECT_TRUE(slot->OpenImage(common::PathString(ImagePath(index).u16string().c_str())));
            }
            controller->SetNewDrivesAtapi(kind == Media::Cd);
            EXPECT_TRUE(controller->AddDrive(slot));
        }
        EXPECT_TRUE(machine.AddChild(std::move(made)));
    }

    static bool RecordRequest(void* context, uint32_t line, uint8_t on) {
        if (line != kLine) {
            return false;
        }
        auto* machine = static_cast<AtaMachine*>(context);
        machine->requests.push_back(on);
        if (on == 1 && machine->onRaise) {
            machine->onRaise();
        }
        return true;
    }
};

} // namespace emu
