#include "emu/core/DriveFileStream.h"

namespace emu {

DriveFileStream::~DriveFileStream() = default;

} // namespace emu
