#include "emu/bk/BkTapeFileService.h"

#include "common/FileStream.h"
#include "common/Paths.h"
#include "common/ProgramFolders.h"
#include "common/SafeFileName.h"
#include "emu/bk/BkBiosTracer.h"
#include "emu/core/Device.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSetBase.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace emu {

namespace {

constexpr uint8_t kWriteCommand = 2;
constexpr uint8_t kReadCommand = 3;
// The request: command, answer, address, length, name.
constexpr uint16_t kRequestBytes = 22;
constexpr uint16_t kAnswerOffset = 1;
constexpr size_t kAddressOffset = 2;
constexpr size_t kLengthOffset = 4;
constexpr size_t kNameOffset = 6;
constexpr size_t kNameBytes = 16;
// Inside the name: where a successful read leaves the load address and length.
constexpr uint16_t kLoadedAddressOffset = 18;
constexpr uint16_t kLoadedLengthOffset = 20;
// The reply: address, length, name.
constexpr uint16_t kReplyOffset = 22;
constexpr uint16_t kReplyBytes = 20;
// The system cells a read fills, and the start word of a file loaded below 01000.
constexpr std::array<uint16_t, 2> kAddressCells{0264, 0346};
constexpr std::array<uint16_t, 2> kLengthCells{0266, 0350};
constexpr uint16_t kStartCell = 0774;
constexpr uint16_t kAutostartLimit = 0777;
constexpr int64_t kHeaderBytes = 4;

uint16_t WordAt(const std::array<uint8_t, kRequestBytes>& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::string Trimmed(std::string text) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && blank(text.back())) {
        text.pop_back();
    }
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    return std::string(first, text.end());
}

// A read takes the name up to its first NUL or blank; a write every byte of it but NULs.
std::string RequestName(const std::array<uint8_t, kRequestBytes>& request, bool forRead) {
    std::string name;
    for (size_t index = kNameOffset; index < kNameOffset + kNameBytes; ++index) {
        const uint8_t byte = request[index];
        if (forRead && (byte & 0xDF) == 0) {
            break;
        }
        if (byte != 0) {
            name.push_back(static_cast<char>(byte));
        }
    }
    return Trimmed(name);
}

common::PathString FileIn(const common::String& folder, const std::string& name, const char* extension) {
    return common::ComposeFilePath(folder, common::PathString(), common::PathString(name.c_str()),
                                   common::PathString(extension));
}

void WriteWord(MemoryMap& memory, uint16_t address, uint16_t value) {
    const std::array<uint8_t, 2> bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    memory.WriteBytes(address, bytes.data(), 2, 0);
}

uint16_t ReadWord(MemoryMap& memory, uint16_t address) {
    std::array<uint8_t, 2> bytes{};
    memory.ReadBytes(address, bytes.data(), 2, 0);
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

bool ReadFileWord(common::FileStream& file, int64_t position, uint16_t& value) {
    std::array<uint8_t, 2> bytes{};
    if (!file.Seek(position) || file.Read(bytes.data(), 2) != 2) {
        return false;
    }
    value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

} // namespace

bool BkTapeFileService::Serve(Cpu1801BM1& cpu, MemoryMap& memory, const DriveSetBase& drives) const {
    const DriveSlot* binSlot = drives.DriveAt(DriveKind::Cartridge, 0);
    if (binSlot == nullptr || !binSlot->mediaReady) {
        return false;
    }
    const uint16_t block = cpu.Register(1);
    uint8_t command = 0;
    memory.ReadBytes(block, &command, 1, 0);
    switch (command) {
    case 0:
    case 1:
        return true;
    case kWriteCommand:
        return Write(memory, drives, block);
    case kReadCommand:
        return Read(cpu, memory, drives, block);
    default:
        return false;
    }
}

bool BkTapeFileService::Read(Cpu1801BM1& cpu, MemoryMap& memory, const DriveSetBase& drives, uint16_t block) const {
    std::array<uint8_t, kRequestBytes> request{};
    memory.ReadBytes(block, request.data(), kRequestBytes, 0);
    const uint8_t failed = 1;
    memory.WriteBytes(static_cast<uint16_t>(block + kAnswerOffset), &failed, 1, 0);
    const std::array<uint8_t, kReplyBytes> noReply{};
    memory.WriteBytes(static_cast<uint16_t>(block + kReplyOffset), noReply.data(), kReplyBytes, 0);

    const std::string name = RequestName(request, true);
    if (!common::IsAllowedFileName(name)) {
        reporter.TraceAlways("ERROR: File name \"%s\" is not allowed, so access denied!",
                             common::PrintableFileName(name));
        return true;
    }
    const common::PathString& folder = drives.LastImageFolder();
    common::PathString path;
    for (const char* extension : {"", "bin", "ovl"}) {
        const common::PathString candidate = FileIn(folder, name, extension);
        if (common::FileExists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.IsEmpty()) {
        reporter.TraceAlways("ERROR: File \"%s\" not exists, so can not load it!", name);
        return true;
    }
    common::FileStream file;
    if (!file.OpenForReading(path)) {
        return true;
    }
    uint16_t address = WordAt(request, kAddressOffset);
    uint16_t lengthWord = 0;
    if ((address == 0 && !ReadFileWord(file, 0, address)) || !ReadFileWord(file, 2, lengthWord)) {
        return true;
    }
    // A length of 0 stands for everything after the two words.
    int64_t length = lengthWord != 0 ? lengthWord : std::max<int64_t>(file.Size() - kHeaderBytes, 0);
    if (address >= kLoadLimit) {
        return true;
    }
    length = std::min<int64_t>(length, kLoadLimit - address);
    std::vector<uint8_t> data(static_cast<size_t>(length));
    const int64_t read = file.Seek(kHeaderBytes) ? file.Read(data.data(), length) : 0;
    memory.WriteBytes(address, data.data(), static_cast<uint32_t>(std::max<int64_t>(read, 0)), 0);
    if (read != length) {
        return true;
    }
    const auto loaded = static_cast<uint16_t>(length);
    WriteWord(memory, static_cast<uint16_t>(block + kReplyOffset), address);
    WriteWord(memory, static_cast<uint16_t>(block + kReplyOffset + 2), loaded);
    memory.WriteBytes(static_cast<uint16_t>(block + kReplyOffset + 4), request.data() + kNameOffset, kNameBytes, 0);
    const uint8_t done = 0;
    memory.WriteBytes(static_cast<uint16_t>(block + kAnswerOffset), &done, 1, 0);
    if (address <= kAutostartLimit) {
        uint16_t start = ReadWord(memory, kStartCell);
        if (start >= address + length) {
            start = ReadWord(memory, address);
        }
        if (start >= address) {
            cpu.SetRegister(7, start);
        }
    }
    WriteWord(memory, static_cast<uint16_t>(block + kLoadedAddressOffset), address);
    WriteWord(memory, static_cast<uint16_t>(block + kLoadedLengthOffset), loaded);
    for (const uint16_t cell : kAddressCells) {
        WriteWord(memory, cell, address);
    }
    for (const uint16_t cell : kLengthCells) {
        WriteWord(memory, cell, loaded);
    }
    reporter.TraceAlways("File \"%s\" loaded at offset=%loo (size=%ld)", common::GetFileName(path), address, length);
    return true;
}

// The answer byte tells the program whether the file was written (0) or not (1).
bool BkTapeFileService::Write(MemoryMap& memory, const DriveSetBase& drives, uint16_t block) const {
    std::array<uint8_t, kRequestBytes> request{};
    memory.ReadBytes(block, request.data(), kRequestBytes, 0);
    const auto answer = [&](uint8_t value) {
        memory.WriteBytes(static_cast<uint16_t>(block + kAnswerOffset), &value, 1, 0);
        return true;
    };
    const std::string name = RequestName(request, false);
    if (!common::IsAllowedFileName(name)) {
        reporter.TraceAlways("ERROR: File name \"%s\" is not allowed, so access denied!",
                             common::PrintableFileName(name));
        return answer(1);
    }
    const common::PathString path = FileIn(drives.LastImageFolder(), name, "");
    if (common::FileExists(path)) {
        reporter.TraceAlways("ERROR: File \"%s\" already exists, so rewrite denied!", name);
        return answer(1);
    }
    common::FileStream file;
    // Never replaces a file, even one that appeared since the look.
    if (!file.Create(path, false)) {
        return answer(1);
    }
    const uint16_t address = WordAt(request, kAddressOffset);
    const uint16_t length = WordAt(request, kLengthOffset);
    std::vector<uint8_t> bytes(kHeaderBytes + length);
    bytes[0] = request[kAddressOffset];
    bytes[1] = request[kAddressOffset + 1];
    bytes[2] = request[kLengthOffset];
    bytes[3] = request[kLengthOffset + 1];
    memory.ReadBytes(address, bytes.data() + kHeaderBytes, length, 0);
    const bool written =
        file.Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size());
    file.Close();
    if (!written) {
        common::DeleteFileAt(path);
        return answer(1);
    }
    reporter.TraceAlways("File \"%s\" written from offset=%loo (size=%ld)", name, address, length);
    return answer(0);
}

uint32_t Bk0010BiosTracer::ServeTapeEmt(CpuInterface* cpu, uint64_t*) {
    auto* processor = dynamic_cast<Cpu1801BM1*>(cpu);
    return processor != nullptr && Memory() != nullptr && Drives() != nullptr &&
                   BkTapeFileService(*this).Serve(*processor, *Memory(), *Drives())
               ? 1
               : 0;
}

} // namespace emu
