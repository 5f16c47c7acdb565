#pragma once

#include "common/ByteStream.h"
#include "common/String.h"

#include <cstdint>

namespace emu {

// What a drive device reads and writes a medium through: a byte stream over a disk, cartridge or CD image that
// opens and closes by path. An image that knows its geometry may also be addressed by sector; one that does not
// answers no geometry and is read by byte position.
class ImageStream : public common::ByteStream {
public:
    ~ImageStream() override = default;

    virtual bool Open(const common::String& path) = 0;
    virtual void Close() = 0;
    // False, with the outputs untouched, when the image has no geometry of its own.
    virtual bool GetGeometry(int64_t& cylinders, int64_t& heads, int64_t& sectors, int64_t& sectorSize);
    // Move byteCount bytes of the sector at (cylinder, head, sector); the result is the number moved.
    virtual int64_t ReadSectorAt(void* buffer, int64_t cylinder, int64_t head, int64_t sector, int64_t byteCount);
    virtual int64_t WriteSectorAt(const void* buffer, int64_t cylinder, int64_t head, int64_t sector,
                                  int64_t byteCount);

protected:
    ImageStream() = default;
};

} // namespace emu
