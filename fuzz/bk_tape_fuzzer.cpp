// Serves a tape call of the BK-0010 from a fuzzed request over a fuzzed host file: the first 22 bytes are the
// request (its name is always the file's, "F"), the rest the file. A read that reports success must have loaded
// the file's bytes at the address it reports, below 0100000, and changed no memory but the request, the loaded
// block and the system cells; a write must leave a file that reads back as the block it was given. The seeds are
// a write, and reads of the file that write leaves.
#include "emu/bk/BkMachine.h"
#include "emu/bk/BkTapeFileService.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "fuzz/Seed.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Above every load, so that no file lands on the request.
constexpr uint16_t kBlock = 0170000;

class TapeMachine : public emu::BkMachine {
public:
    TapeMachine() {
        SetSoundOutput(&sound);
        if (!CreateServices() || !Drives()->SetCartridgeCount(1)) {
            std::abort();
        }
        auto made = std::make_unique<emu::Device>("BIOS BK", "BIOS");
        reporter = made.get();
        AddChild(std::move(made));
    }

    bool Start(int32_t& rate) override {
        return Memory()->Create(0x10000, 0177777, 0) && BkMachine::Start(rate) &&
               Memory()->SetPageAccess(true, 0, 64) && MapRegisterPage();
    }

    emu::Device* reporter = nullptr;

private:
    emu::HostSoundOutput sound;
};

struct Folder {
    Folder() : path(std::filesystem::temp_directory_path() / ("bk_tape_fuzz_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

const Folder& TapeFolder() {
    static const Folder folder;
    return folder;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No file yet, a write of 0400 bytes from 01000; then the file it leaves read back at its own address and at
    // 010000.
    const std::vector<uint8_t> write = {0, 0, 0000, 0002, 0000, 0001};
    fuzz::WriteSeed("write", write);
    LLVMFuzzerTestOneInput(write.data(), write.size());
    const std::vector<uint8_t> file = FileBytes(TapeFolder().path / "F");
    fuzz::WriteSeed("read", {1, 1, 0, 0, 0, 0}, file);
    fuzz::WriteSeed("read_at", {1, 1, 0000, 0020, 0, 0}, file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) {
        return 0;
    }
    const Folder& folder = TapeFolder();
    std::filesystem::remove(folder.path / "F");
    const std::vector<uint8_t> file(data + 6, data + size);
    if (data[0] % 2 == 1) {
        std::ofstream(folder.path / "F", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    TapeMachine machine;
    int32_t rate = 0;
    if (!machine.Start(rate)) {
        std::abort();
    }
    emu::MemoryMap& memory = *machine.Memory();
    uint8_t* ram = memory.RamBase();
    for (uint32_t address = 0; address < 0177000; ++address) {
        ram[address] = static_cast<uint8_t>(address * 7 + (address >> 8));
    }
    const uint8_t command = data[1] % 2 == 0 ? 2 : 3;
    const std::array<uint8_t, 22> request = {command, 0377, data[2], data[3], data[4], data[5], 'F'};
    std::copy(request.begin(), request.end(), ram + kBlock);
    machine.Drives()->DriveAt(emu::DriveKind::Cartridge, 0)->mediaReady = true;
    const std::u16string folderPath = folder.path.u16string() + u"/";
    machine.Drives()->SetLastImageFolder(common::PathString(folderPath.c_str()));
    machine.Cpu()->SetRegister(1, kBlock);
    const std::vector<uint8_t> before(ram, ram + 0177000);
    if (!emu::BkTapeFileService(*machine.reporter).Serve(*machine.Cpu(), memory, *machine.Drives())) {
        std::abort();
    }
    const uint16_t address = static_cast<uint16_t>(ram[kBlock + 22] | ram[kBlock + 23] << 8);
    const uint16_t length = static_cast<uint16_t>(ram[kBlock + 24] | ram[kBlock + 25] << 8);
    if (command == 2) {
        const uint16_t from = static_cast<uint16_t>(data[2] | data[3] << 8);
        const uint16_t count = static_cast<uint16_t>(data[4] | data[5] << 8);
        const std::vector<uint8_t> written = FileBytes(folder.path / "F");
        const bool existed = data[0] % 2 == 1;
        if (existed != (ram[kBlock + 1] != 0)) {
            std::abort();
        }
        if (!existed && static_cast<size_t>(from) + count <= before.size()) {
            std::vector<uint8_t> expected = {data[2], data[3], data[4], data[5]};
            expected.insert(expected.end(), before.begin() + from, before.begin() + from + count);
            if (written != expected) {
                std::abort();
            }
        }
        return 0;
    }
    if (ram[kBlock + 1] != 0) {
        return 0;
    }
    // The request's reply and the system cells are written after the data, over it where they meet.
    const auto writtenLater = [](uint32_t at) {
        return (at >= kBlock && at < kBlock + 42u) || (at >= 0264 && at < 0270) || (at >= 0346 && at < 0352);
    };
    if (address >= emu::BkTapeFileService::kLoadLimit || address + length > emu::BkTapeFileService::kLoadLimit ||
        file.size() < 4u + length) {
        std::abort();
    }
    for (uint32_t at = 0; at < before.size(); ++at) {
        const bool loaded = at >= address && at < address + length;
        if (writtenLater(at)) {
            continue;
        }
        if (loaded ? ram[at] != file[4 + at - address] : ram[at] != before[at]) {
            std::abort();
        }
    }
    return 0;
}
