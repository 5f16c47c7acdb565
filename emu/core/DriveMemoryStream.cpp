#include "emu/core/DriveMemoryStream.h"

namespace emu {

DriveMemoryStream::~DriveMemoryStream() = default;

} // namespace emu
