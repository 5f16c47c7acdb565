#pragma once

#include "common/MemoryStream.h"

namespace emu {

// The memory copy behind a drive slot's image.
class DriveMemoryStream : public common::MemoryStream {
public:
    DriveMemoryStream() = default;
    ~DriveMemoryStream() override;
};

} // namespace emu
