// BIN program files: a file in the first cartridge slot is loaded into RAM and started by the ROM's first jump
// into its page, without any typing.
#include "common/Paths.h"
#include "emu/bk/BkMachine.h"
#include "emu/core/DriveSet.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cstring>
#include <vector>

namespace emu {

namespace {

// A file: load address, length, then the data.
constexpr int64_t kHeaderBytes = 4;
constexpr int64_t kLargestFile = 32768;
// Programs load into the RAM below 0100000.
constexpr uint32_t kRamEnd = 0100000;
constexpr uint16_t kLowestProgram = 01000;
// The word a program loaded below 01000 names its start in.
constexpr uint16_t kStartCell = 0774;
// The system cells that hold the last file's address and length.
constexpr uint16_t kAddressCells[] = {0264, 0346};
constexpr uint16_t kLengthCells[] = {0266, 0350};
constexpr uint16_t kJumpRelative = 000167;

uint16_t WordAt(const uint8_t* ram, uint32_t address) {
    return static_cast<uint16_t>(ram[address] | ram[address + 1] << 8);
}

void StoreWord(uint8_t* ram, uint32_t address, uint16_t value) {
    ram[address] = static_cast<uint8_t>(value);
    ram[address + 1] = static_cast<uint8_t>(value >> 8);
}

} // namespace

DriveSlot* BkMachine::BinSlot() const {
    return Drives() != nullptr ? Drives()->DriveAt(DriveKind::Cartridge, 0) : nullptr;
}

bool BkMachine::BindBinAutostart() {
    MemoryMap* memory = Memory();
    const int32_t page = BinHookPage();
    if (page < 0 || memory == nullptr) {
        return true;
    }
    const DriveSlot* slot = BinSlot();
    const bool mounted = slot != nullptr && slot->Image().IsOpen() && !slot->ImagePath().IsEmpty();
    if (autostartStep == 1 || (autostartStep == 0 && mounted)) {
        return memory->MapReadRange(static_cast<uint32_t>(page), 1, this, OnBinAutostart, false);
    }
    // The ROM runs in place again.
    memory->ResetPageRange(static_cast<uint32_t>(page), 1);
    return true;
}

bool BkMachine::OnBinAutostart(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek) {
    return static_cast<BkMachine*>(context)->ReadBinAutostart(address, size, buffer, peek != 0);
}

bool BkMachine::ReadBinAutostart(uint32_t address, uint32_t size, void* value, bool peek) {
    const int32_t page = BinHookPage();
    if (size != 2 || peek || page < 0) {
        return false;
    }
    const uint32_t hook = static_cast<uint32_t>(page) * page::kSize;
    if (address == hook && autostartStep == 0) {
        autostartStep = 1;
        DriveSlot* slot = BinSlot();
        if (slot != nullptr && LoadBinFile(*slot, hook)) {
            StoreValue(size, value, kJumpRelative);
            return true;
        }
        // Nothing was loaded: the ROM boots as without a file.
        autostartStep = -1;
        BindBinAutostart();
        return false;
    }
    if (address == hook + 2 && autostartStep > 0) {
        autostartStep = -1;
        BindBinAutostart();
        StoreValue(size, value, binStartAddress);
        const auto target = static_cast<uint16_t>(binStartAddress + hook + 4);
        if (cpu != nullptr) {
            cpu->SetPswLow(0);
        }
        Trace(true, breakBinStart, "Binary file started at %loo", target);
        return true;
    }
    return false;
}

void BkMachine::SetBinIndicators(DriveSlot& slot, bool loaded) {
    const bool indicatorChanged = !slot.accessBlink || slot.mediaReady != loaded;
    if (indicatorChanged) {
        slot.NotifyOwner(true);
    }
    slot.accessBlink = true;
    slot.mediaReady = loaded;
    if (indicatorChanged) {
        slot.NotifyOwner(false);
    }
    slot.changed = false;
}

// Checks the whole file before memory changes: a file that is too short or too long, holds less than its length
// says, or would run past the RAM into the ROM or the I/O page loads nothing, and the console says why.
bool BkMachine::LoadBinFile(DriveSlot& slot, uint32_t hook) {
    SetBinIndicators(slot, false);
    MemoryMap* memory = Memory();
    ImageStream& image = slot.Image();
    if (memory == nullptr || !image.IsOpen() || slot.ImagePath().IsEmpty()) {
        return false;
    }
    const common::PathString name = common::GetFileName(slot.ImagePath());
    const int64_t fileSize = image.Size();
    if (fileSize < kHeaderBytes) {
        PrintError("[BIN ERROR] File \"%s\" is too small to be loaded (<%ld)!", name, kHeaderBytes);
        return false;
    }
    if (fileSize > kLargestFile) {
        PrintError("[BIN ERROR] File \"%s\" is too big to be loaded (>%ld)!", name, kLargestFile);
        return false;
    }
    uint8_t header[kHeaderBytes] = {};
    const int64_t headerRead = image.ReadAt(header, 0, kHeaderBytes);
    slot.readActivity = slot.readActivity || headerRead > 0;
    if (headerRead != kHeaderBytes) {
        PrintError("[BIN ERROR] File \"%s\" can not be read!", name);
        return false;
    }
    const uint32_t address = WordAt(header, 0);
    const uint32_t length = WordAt(header, 2);
    if (length == 0) {
        PrintError("[BIN ERROR] File \"%s\" holds no data (size=0)!", name);
        return false;
    }
    if (address + length > kRamEnd || address + length + kHeaderBytes >= memory->Size()) {
        PrintError("[BIN ERROR] File \"%s\" at offset=%loo (size=%ld) runs past the RAM's end (%loo)!", name, address,
                   length, kRamEnd);
        return false;
    }
    if (length > fileSize - kHeaderBytes) {
        PrintError("[BIN ERROR] File \"%s\" is shorter than its size=%ld!", name, length);
        return false;
    }
    std::vector<uint8_t> data(length);
    const int64_t dataRead = image.ReadAt(data.data(), kHeaderBytes, length);
    slot.readActivity = slot.readActivity || dataRead > 0;
    if (dataRead != static_cast<int64_t>(length)) {
        PrintError("[BIN ERROR] File \"%s\" can not be read!", name);
        return false;
    }
    for (uint32_t index = 0; index < length; ++index) {
        memory->WriteByte((address + index) & 0177777, data[index]);
    }
    uint8_t* ram = memory->RamBase();
    uint16_t target = static_cast<uint16_t>(address);
    if (address < kLowestProgram) {
        // The start cell counts only when it points into the program; else the program's first word.
        const uint16_t named = WordAt(ram, kStartCell);
        target = named >= address && named < address + length ? named : WordAt(ram, address);
    }
    binStartAddress = static_cast<uint16_t>(target - (hook + 4));
    for (const uint16_t cell : kAddressCells) {
        StoreWord(ram, cell, static_cast<uint16_t>(address));
    }
    for (const uint16_t cell : kLengthCells) {
        StoreWord(ram, cell, static_cast<uint16_t>(length));
    }
    PrintLine("[BIN] File \"%s\" loaded at offset=%loo (size=%ld)", name, address, length);
    SetBinIndicators(slot, true);
    return true;
}

} // namespace emu
