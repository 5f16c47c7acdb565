#pragma once

#include "common/FileStream.h"

namespace emu {

// The host file behind a drive slot's image.
class DriveFileStream : public common::FileStream {
public:
    DriveFileStream() = default;
    ~DriveFileStream() override;
};

} // namespace emu
