#include "emu/core/ImageStream.h"

namespace emu {

bool ImageStream::GetGeometry(int64_t&, int64_t&, int64_t&, int64_t&) {
    return false;
}

int64_t ImageStream::ReadSectorAt(void*, int64_t, int64_t, int64_t, int64_t) {
    return 0;
}

int64_t ImageStream::WriteSectorAt(const void*, int64_t, int64_t, int64_t, int64_t) {
    return 0;
}

} // namespace emu
