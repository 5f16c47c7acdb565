#include "emu/core/ForwardingImageStream.h"

namespace emu {

int64_t ForwardingImageStream::ReadAt(void* buffer, int64_t position, int64_t count) {
    return inner->Seek(position) ? inner->Read(buffer, count) : 0;
}

int64_t ForwardingImageStream::WriteAt(const void* buffer, int64_t position, int64_t count) {
    return inner->Seek(position) ? inner->Write(buffer, count) : 0;
}

} // namespace emu
