#pragma once

#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/VirtualDiskImage.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace emu {

// A virtual disk that opens any folder as an image of a fixed number of zero bytes (or of the content given) and
// keeps them in memory; while full, as on a full host disk, it writes nothing. Its state is one u8 value "DISK",
// which must read back as the marker it holds.
class FakeFolderDisk : public VirtualDiskImage {
public:
    explicit FakeFolderDisk(int64_t imageSize, bool fits = true) : imageSize(imageSize), fits(fits) {}
    explicit FakeFolderDisk(std::string content)
        : imageSize(static_cast<int64_t>(content.size())), fits(true), content(std::move(content)) {}

    // What happened to it, in order: "Open <folder>", "Close", "Save", "Load".
    std::vector<std::string> log;
    uint8_t marker = 7;
    bool full = false;

    bool Open(const common::String& source) override {
        log.push_back(std::string("Open ") + source.GetNarrow());
        complete = fits;
        return bytes.Create(imageSize, 0) && bytes.Resize(imageSize) &&
               (content.empty() || bytes.WriteAt(content.data(), 0, imageSize) == imageSize) && bytes.Seek(0);
    }
    // The image's bytes as they are now.
    std::string Bytes() {
        return std::string(reinterpret_cast<const char*>(bytes.GetBuffer()), static_cast<size_t>(bytes.Size()));
    }
    void Close() override {
        log.push_back("Close");
        bytes.Free();
    }
    bool SaveState(common::RecordArchive& archive) override {
        log.push_back("Save");
        return archive.WriteRecordU8(marker, common::NarrowString("DISK"));
    }
    bool LoadState(common::RecordArchive& archive, common::NarrowString*) override {
        log.push_back("Load");
        uint8_t stored = 0;
        return archive.ReadRecordU8(stored, common::NarrowString("DISK")) && stored == marker;
    }

    bool IsOpen() const override { return bytes.IsOpen(); }
    bool Growable() const override { return false; }
    bool IsValid() const override { return bytes.IsOpen(); }
    bool CanRead() const override { return true; }
    bool CanWrite() const override { return true; }
    int64_t Size() const override { return bytes.Size(); }
    bool Resize(int64_t) override { return false; }
    int64_t Tell() const override { return bytes.Tell(); }
    bool Seek(int64_t position) override { return bytes.Seek(position); }
    int64_t Read(void* buffer, int64_t count) override { return bytes.Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return full ? 0 : bytes.Write(buffer, count); }

private:
    common::MemoryStream bytes;
    int64_t imageSize;
    bool fits;
    std::string content;
};

} // namespace emu
