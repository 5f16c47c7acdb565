// Feeds arbitrary bytes to the strict readers of saved states, in an order the input chooses: the first byte
// gives how many reads follow, the next bytes which ones, and the rest is the archive. The seed is a chunk the
// writer makes, holding a record of every kind, with the reads that take it.
#include "common/MemoryStream.h"
#include "common/NarrowString.h"
#include "common/RecordArchive.h"
#include "common/WideString.h"
#include "fuzz/Seed.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using common::NarrowString;
using common::RecordArchive;
using common::WideString;

bool ReadOne(RecordArchive& archive, uint8_t choice) {
    const NarrowString name("V");
    NarrowString narrow;
    WideString wide;
    std::array<uint8_t, 16> blob{};
    uint64_t u64 = 0;
    int64_t i64 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    uint16_t u16 = 0;
    int16_t i16 = 0;
    uint8_t u8 = 0;
    int8_t i8 = 0;
    bool flag = false;
    switch (choice % 18) {
    case 0:
        return archive.ReadMarker(name, common::kChunkBeginMarker);
    case 1:
        return archive.ReadMarker(name, common::kChunkEndMarker);
    case 2:
        return archive.ReadMarker(name, common::kChunkBeginMarker, &wide);
    case 3:
        return archive.ReadRecordU8(u8, name);
    case 4:
        return archive.ReadRecordU16(u16, name);
    case 5:
        return archive.ReadRecordU32(u32, name);
    case 6:
        return archive.ReadRecordU64(u64, name);
    case 7:
        return archive.ReadRecordI8(i8, name);
    case 8:
        return archive.ReadRecordI16(i16, name);
    case 9:
        return archive.ReadRecordI32(i32, name);
    case 10:
        return archive.ReadRecordI64(i64, name);
    case 11:
        return archive.ReadRecordBool(flag, name);
    case 12:
        return archive.ReadRecordString(narrow, name);
    case 13:
        return archive.ReadRecordString(wide, name);
    case 14:
        return archive.ReadRecordBlob(blob.data(), blob.size(), name);
    case 15:
        return archive.ExpectName(name);
    case 16:
        return common::ReadStringRecord(archive.Stream()) != nullptr;
    default:
        return common::ReadStringRecord(archive.Stream(), narrow);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    RecordArchive archive(stream);
    const NarrowString name("V");
    const std::array<uint8_t, 16> blob{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const bool written =
        archive.WriteMarker(common::kChunkBeginMarker, name) && archive.WriteRecordU8(0x81, name) &&
        archive.WriteRecordU16(0x8182, name) && archive.WriteRecordU32(0x81828384, name) &&
        archive.WriteRecordU64(0x8182838485868788, name) && archive.WriteRecordI8(-2, name) &&
        archive.WriteRecordI16(-3, name) && archive.WriteRecordI32(-4, name) && archive.WriteRecordI64(-5, name) &&
        archive.WriteRecordBool(true, name) && archive.WriteRecordString(NarrowString("narrow"), name) &&
        archive.WriteRecordString(WideString(u"wide"), name) &&
        archive.WriteRecordBlob(blob.data(), blob.size(), name) && archive.WriteMarker(common::kChunkEndMarker, name);
    if (written) {
        // The count of reads, then the reads in the order of the records.
        const std::vector<uint8_t> reads = {14, 0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 1};
        fuzz::WriteSeed("chunk", reads, std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size()));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t reads = std::min<size_t>(data[0] % 32, size - 1);
    const uint8_t* choices = data + 1;
    std::vector<uint8_t> content(data + 1 + reads, data + size);
    common::MemoryStream stream;
    stream.Attach(content.data(), static_cast<int64_t>(content.size()));
    RecordArchive archive(stream);
    for (size_t i = 0; i < reads && ReadOne(archive, choices[i]); ++i) {
    }
    return 0;
}
