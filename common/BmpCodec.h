// Windows BMP files: uncompressed, bottom-up, with the 40-byte information header.
#pragma once

#include "common/ByteStream.h"
#include "common/Image.h"

#include <cstdint>
#include <memory>

namespace common {

// Which images a reader accepts.
enum class BmpKind : int32_t {
    Any = 0,          // every depth, into the palettised or direct-colour class of that depth
    Palettised = 1,   // 1, 2, 4 and 8 bits
    Grey = 2,         // 8 bits, as grey levels
    DirectColour = 3, // 16 (5-6-5), 24 and 32 bits
};

// Reads the file that starts at the stream's position. Null (with nothing allocated for the pixels) for a file
// that is malformed, truncated, compressed, top-down or of a depth the kind does not accept.
std::unique_ptr<Image> ReadBmp(ByteStream& stream, BmpKind kind);

// Writes the image as a file at the stream's position and leaves the position at its end. Every palette entry of
// the image becomes opaque (a palettised image without a palette gets the default one). False for an empty image
// or a short write, which leaves a partial file.
bool WriteBmp(ByteStream& stream, Image& image);

} // namespace common
