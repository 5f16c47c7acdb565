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

    // A drive set reads the state before it remounts its images, so loading may come in steps: ReadState keeps
    // what it read aside, CheckReadState checks it against the image mounted by then, ApplyReadState puts it in
    // place and DropReadState forgets it. An image that needs no steps loads as it reads.
    virtual bool ReadState(common::RecordArchive& archive, common::NarrowString* note) {
        return LoadState(archive, note);
    }
    virtual bool CheckReadState(common::NarrowString*) const { return true; }
    virtual void ApplyReadState() {}
    virtual void DropReadState() {}

protected:
    VirtualDiskImage() = default;

    bool complete = true;
};

} // namespace emu
