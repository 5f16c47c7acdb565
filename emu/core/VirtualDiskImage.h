#pragma once

#include "common/ByteStream.h"
#include "common/NarrowString.h"

namespace common {
class RecordArchive;
} // namespace common

namespace emu {

// A disk image built on the fly from a source other than an image file, such as a host folder presented as a hard
// disk. A drive slot may carry one; opening the slot on a folder then opens the image on it. The image saves and
// checks its own state inside the slot's state.
class VirtualDiskImage : public common::ByteStream {
public:
    ~VirtualDiskImage() override = default;

    virtual bool Open(const common::String& source) = 0;
    virtual void Close() = 0;
    // Whether everything the source holds found room in the image.
    bool IsComplete() const { return complete; }
    virtual bool SaveState(common::RecordArchive& archive) = 0;
    // note receives a one-line reason when the state does not fit the image.
    virtual bool LoadState(common::RecordArchive& archive, common::NarrowString* note) = 0;

protected:
    VirtualDiskImage() = default;

    bool complete = true;
};

} // namespace emu
