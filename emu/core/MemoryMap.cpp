#include "emu/core/MemoryMap.h"

#include "common/ByteStream.h"
#include "common/RecordArchive.h"
#include "common/platform/Pages.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/IndexedKey.h"
#include "emu/core/Machine.h"
#include "emu/core/Notification.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace emu {

namespace {

// A read that nothing serves gives this for every byte.
constexpr uint8_t kOpenBus = 0xFF;
// Pages above the address space (and the gap before an extra area).
constexpr uint32_t kSparePages = 2;
constexpr int32_t kAllPages = -1;

bool DeclineRead(void*, uint32_t, uint32_t, void*, uint8_t) {
    return false;
}

bool DropWrite(void*, uint32_t, uint32_t, const void*) {
    return true;
}

uint64_t WholePages(uint64_t bytes) {
    return (bytes + page::kOffsetMask) & ~static_cast<uint64_t>(page::kOffsetMask);
}

bool IsPageStorageReadSize(uint32_t size) {
    return size == 1 || size == 2 || size == 4 || size == 6 || size == 8 || size == 10;
}

bool IsPageStorageWriteSize(uint32_t size) {
    return size == 1 || size == 2 || size == 4 || size == 8;
}

// What tells the read side of a page from its write side.
template <typename Handler>
struct Side {
    uint32_t access;
    uint32_t bound;
    uint32_t aliased;
    uint32_t untranslated;
    // A borrowed page's flag that a borrower takes over.
    uint32_t marked;
    PageSide<Handler> PageDescriptor::*member;
    Handler MemoryMap::Hooks::*hook;
    Handler pageStorage;
    Handler flatStorage;
    // What the hook does when none is set: reads decline, writes are dropped.
    Handler hookDefault;
};

constexpr Side<BusReadHandler> kReadSide{page::kReadable,
                                         page::kReadBound,
                                         page::kReadAliased,
                                         page::kReadUntranslated,
                                         0,
                                         &PageDescriptor::read,
                                         &MemoryMap::Hooks::read,
                                         MemoryMap::PageStorageRead,
                                         MemoryMap::FlatStorageRead,
                                         DeclineRead};
constexpr Side<BusWriteHandler> kWriteSide{page::kWritable,
                                           page::kWriteBound,
                                           page::kWriteAliased,
                                           page::kWriteUntranslated,
                                           page::kMarked,
                                           &PageDescriptor::write,
                                           &MemoryMap::Hooks::write,
                                           MemoryMap::PageStorageWrite,
                                           MemoryMap::FlatStorageWrite,
                                           DropWrite};

// Where one access goes: a handler with its context and the address it gets; for a byte, the storage that serves
// it when the handler declines (none for the hooks). A split access is served in halves.
template <typename Handler>
struct Route {
    bool split = false;
    void* context = nullptr;
    Handler handler = nullptr;
    uint32_t address = 0;
    bool hasStorage = false;
    uint32_t storageAddress = 0;
};

// Whether both sides of a page already borrow the bank page.
bool ShowsBank(const PageDescriptor& descriptor, uint32_t bank) {
    constexpr uint32_t kBothAliased = page::kReadAliased | page::kWriteAliased;
    return (descriptor.flags & kBothAliased) == kBothAliased && descriptor.read.aliasPage == bank &&
           descriptor.write.aliasPage == bank;
}

// One side of a page takes the bank page's contents (plain storage: its bytes); false when it already did.
template <typename Handler>
bool Borrow(PageDescriptor& descriptor, PageSide<Handler>& pageSide, uint32_t aliased, Handler pageStorage,
            uint32_t bank, uint8_t* storage) {
    if ((descriptor.flags & aliased) != 0 && pageSide.aliasPage == bank) {
        return false;
    }
    descriptor.flags |= aliased;
    pageSide.aliasPage = bank;
    if (pageSide.handler == pageStorage) {
        pageSide.context = storage;
    }
    return true;
}

} // namespace

// The contents of one run of saved pages, read from a chunk.
struct MemoryMap::SavedRun {
    uint32_t first = 0;
    std::vector<uint8_t> bytes;
};

template <typename Side>
auto MemoryMap::Resolve(const Side& side, uint32_t address, uint32_t width) const {
    using Handler = decltype(side.hookDefault);
    const auto hook = [&](const Hooks& hooks, uint32_t at) {
        const Handler handler = hooks.*side.hook;
        return Route<Handler>{false, hooks.context, handler != nullptr ? handler : side.hookDefault, at};
    };
    const auto served = [&](const PageDescriptor& descriptor, uint32_t at, uint32_t storageAddress) {
        const PageSide<Handler>& pageSide = descriptor.*side.member;
        return Route<Handler>{false, pageSide.context, pageSide.handler, at, true, storageAddress};
    };
    const uint32_t stateBits = side.access | side.aliased;
    if (!table.Holds(address, width)) {
        return hook(outOfRange, address);
    }
    if ((address & page::kOffsetMask) + width > page::kSize) {
        return Route<Handler>{true};
    }
    const uint32_t index = address >> page::kShift;
    const PageDescriptor* descriptor = &descriptors[index];
    if ((descriptor->flags & stateBits) == side.access) {
        return served(*descriptor, address, address);
    }
    if ((descriptor->flags & stateBits) == 0) {
        return hook(unmapped, address);
    }
    // Aliased: one level of alias is followed.
    const uint32_t target = (descriptor->*side.member).aliasPage;
    const uint32_t translated = target << page::kShift | (address & page::kOffsetMask);
    if (target != index) {
        descriptor = &descriptors[target];
        if ((descriptor->flags & stateBits) == side.access) {
            return served(*descriptor, (descriptor->flags & side.untranslated) != 0 ? address : translated, translated);
        }
        if ((descriptor->flags & stateBits) == 0) {
            return hook(unmapped, translated);
        }
    }
    // A page aliased to itself, or to an aliased page: a byte goes to that page's own side, wider accesses in
    // halves; plain storage is taken by the translated address, so the page's own bytes answer.
    if (width > 1) {
        return Route<Handler>{true};
    }
    if ((descriptor->flags & side.access) == 0) {
        return hook(unmapped, translated);
    }
    if ((descriptor->*side.member).handler == side.pageStorage) {
        return Route<Handler>{false, table.ram, side.flatStorage, translated, true, translated};
    }
    return served(*descriptor, translated, translated);
}

MemoryMap::MemoryMap() : TreeNode("_MEM") {}

MemoryMap::~MemoryMap() {
    Release();
}

bool MemoryMap::Create(uint32_t size, uint32_t addressMask, uint32_t extra) {
    ReportPage(kAllPages);
    Release();
    if (size == 0) {
        return true;
    }
    const uint64_t ramBytes = WholePages(size);
    const uint64_t extraBytes = WholePages(extra);
    const uint64_t storageBytes =
        ramBytes + kSparePages * page::kSize + (extraBytes != 0 ? extraBytes + page::kSize : 0);
    if (storageBytes > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    blockBytes = page::kSize + storageBytes;
    block = static_cast<uint8_t*>(common::platform::AllocatePages(blockBytes, false));
    if (block == nullptr) {
        blockBytes = 0;
        return false;
    }
    table.ram = block + page::kSize;
    table.size = static_cast<uint32_t>(ramBytes);
    table.pageCount = static_cast<uint32_t>(storageBytes / page::kSize);
    table.addressMask = addressMask != 0 && addressMask < table.size ? addressMask : table.size - 1;
    descriptors.resize(table.pageCount);
    published.resize(table.pageCount);
    remapped.assign(table.pageCount, 0);
    table.pages = published.data();
    for (uint32_t index = 0; index < table.pageCount; ++index) {
        ResetPage(index, table.ram + static_cast<size_t>(index) * page::kSize);
        published[index] = descriptors[index];
    }
    if (extraBytes != 0) {
        extraSize = static_cast<uint32_t>(extraBytes);
        extraArea = table.ram + table.size + page::kSize;
        const uint32_t gap = table.size >> page::kShift;
        descriptors[gap].flags &= ~(page::kReadable | page::kWritable);
        Publish(gap);
    }
    if (machine != nullptr) {
        machine->Notify(notification::kMemoryMapChanged);
    }
    return true;
}

bool MemoryMap::ResetPages() {
    ++layout;
    SetExtraVisible(false);
    if (table.ram != nullptr) {
        std::memset(table.ram, 0, static_cast<size_t>(table.pageCount) * page::kSize);
    }
    for (uint32_t index = 0; index < table.pageCount; ++index) {
        ResetPage(index, table.ram + static_cast<size_t>(index) * page::kSize);
        published[index] = descriptors[index];
    }
    ReportPage(kAllPages);
    outOfRange = {};
    unmapped.read = nullptr;
    unmapped.write = nullptr;
    return true;
}

void MemoryMap::Free() {
    Release();
}

const PageDescriptor* MemoryMap::PageAt(uint32_t index) const {
    return index < table.pageCount ? &descriptors[index] : nullptr;
}

uint8_t MemoryMap::ReadByte(uint32_t address, uint8_t peek) {
    const auto route = Resolve(kReadSide, address, 1);
    uint8_t value = 0;
    if (route.handler(route.context, route.address, 1, &value, peek)) {
        return value;
    }
    return route.hasStorage ? table.ram[route.storageAddress] : kOpenBus;
}

uint16_t MemoryMap::ReadWord(uint32_t address, uint8_t peek) {
    uint16_t value = 0;
    if (ReadWhole(address, sizeof value, &value, peek)) {
        return value;
    }
    const uint8_t low = ReadByte(address, peek);
    return static_cast<uint16_t>(low | ReadByte(address + 1, peek) << 8);
}

uint32_t MemoryMap::ReadDword(uint32_t address, uint8_t peek) {
    uint32_t value = 0;
    if (ReadWhole(address, sizeof value, &value, peek)) {
        return value;
    }
    const uint32_t low = ReadWord(address, peek);
    return low | static_cast<uint32_t>(ReadWord(address + 2, peek)) << 16;
}

void MemoryMap::WriteByte(uint32_t address, uint8_t value) {
    const auto route = Resolve(kWriteSide, address, 1);
    if (!route.handler(route.context, route.address, 1, &value) && route.hasStorage) {
        table.ram[route.storageAddress] = value;
    }
}

void MemoryMap::WriteWord(uint32_t address, uint16_t value) {
    if (!WriteWhole(address, sizeof value, &value)) {
        WriteByte(address, static_cast<uint8_t>(value));
        WriteByte(address + 1, static_cast<uint8_t>(value >> 8));
    }
}

void MemoryMap::WriteDword(uint32_t address, uint32_t value) {
    if (!WriteWhole(address, sizeof value, &value)) {
        WriteWord(address, static_cast<uint16_t>(value));
        WriteWord(address + 2, static_cast<uint16_t>(value >> 16));
    }
}

bool MemoryMap::ReadBytes(uint32_t address, uint8_t* destination, uint32_t count, uint32_t mask) {
    mask = MaskOrOwn(mask);
    for (uint32_t index = 0; index < count; ++index, ++address) {
        destination[index] = ReadByte(address &= mask, 0);
    }
    return true;
}

bool MemoryMap::WriteBytes(uint32_t address, const uint8_t* source, uint32_t count, uint32_t mask) {
    mask = MaskOrOwn(mask);
    for (uint32_t index = 0; index < count; ++index, ++address) {
        WriteByte(address &= mask, source[index]);
    }
    return true;
}

bool MemoryMap::WriteBytesFromStream(uint32_t address, common::ByteStream& stream, uint32_t count, uint32_t mask) {
    mask = MaskOrOwn(mask);
    for (uint32_t index = 0; index < count; ++index, ++address) {
        uint8_t value = 0;
        if (stream.Read(&value, 1) != 1) {
            return false;
        }
        WriteByte(address &= mask, value);
    }
    return true;
}

bool MemoryMap::CopyBytes(uint32_t source, uint32_t destination, uint32_t count, uint32_t mask) {
    mask = MaskOrOwn(mask);
    for (uint32_t index = 0; index < count; ++index) {
        WriteByte((destination + index) & mask, ReadByte((source + index) & mask, 0));
    }
    return true;
}

bool MemoryMap::LoadData(common::ByteStream& stream, uint32_t address, int32_t count, int32_t stride) {
    if (count < 1 || count > 8 || stride < 1 || address >= table.size) {
        return false;
    }
    for (uint64_t at = address; at + static_cast<uint64_t>(count) <= table.size; at += static_cast<uint64_t>(stride)) {
        const int64_t read = stream.Read(table.ram + at, count);
        if (read != count) {
            // The end of the stream ends the copy; a read that fails before it (or cuts an item) is an error.
            const int64_t position = stream.Tell();
            return read == 0 && position >= 0 && position >= stream.Size();
        }
    }
    return true;
}

bool MemoryMap::SetPageMapping(Access access, uint32_t first, uint32_t count) {
    if (access > Access::ReadWrite) {
        return false;
    }
    return ForPages(first, count, [&](uint32_t index, PageDescriptor& descriptor) {
        descriptor.flags = (descriptor.flags & ~(page::kReadable | page::kWritable)) | static_cast<uint32_t>(access);
        PublishWithBorrowers(index);
    });
}

bool MemoryMap::SetPageAccess(bool ram, uint32_t first, uint32_t count) {
    return ForPages(first, count, [&](uint32_t index, PageDescriptor& descriptor) {
        descriptor.flags = (descriptor.flags & ~(page::kRam | page::kRom)) | (ram ? page::kRam : page::kRom);
        published[index].flags =
            (published[index].flags & ~(page::kRam | page::kRom)) | (ram ? page::kRam : page::kRom);
    });
}

void MemoryMap::SetPageMark(uint32_t first, uint32_t count, bool on) {
    ForPages(first, count, [&](uint32_t index, PageDescriptor& descriptor) {
        descriptor.flags = on ? descriptor.flags | page::kMarked : descriptor.flags & ~page::kMarked;
        PublishWithBorrowers(index);
    });
}

bool MemoryMap::MapReadRange(uint32_t first, uint32_t count, void* context, BusReadHandler handler,
                             bool passUntranslated) {
    return MapRange(kReadSide, first, count, context, handler, passUntranslated);
}

bool MemoryMap::MapWriteRange(uint32_t first, uint32_t count, void* context, BusWriteHandler handler,
                              bool passUntranslated) {
    return MapRange(kWriteSide, first, count, context, handler, passUntranslated);
}

void MemoryMap::RemapReadPages(uint32_t first, uint32_t target, uint32_t count) {
    Remap(kReadSide, first, target, count);
}

void MemoryMap::RemapWritePages(uint32_t first, uint32_t target, uint32_t count) {
    Remap(kWriteSide, first, target, count);
}

// Both sides first, then each page published once: a bank switch runs on the processor's register writes, so a
// switch to the banks already shown ends after one pass over the pages, and the others take both sides in one pass.
void MemoryMap::RemapPages(uint32_t first, uint32_t target, uint32_t count) {
    if (first == target) {
        const bool reads = Remap(kReadSide, first, target, count, false);
        if (Remap(kWriteSide, first, target, count, false) || reads) {
            PublishRange(first, count);
        }
        return;
    }
    const uint32_t steps = RemapSteps(first, target, count);
    PageDescriptor* const pages = descriptors.data();
    uint32_t step = 0;
    while (step < steps && ShowsBank(pages[first + step], target + step)) {
        ++step;
    }
    if (step == steps) {
        return;
    }
    // A switch the map has made before, with nothing changed since, gives the pages it gave then (its window was
    // noted then).
    BankView* view = nullptr;
    if (steps == count) {
        view = FindBankView(first, target, steps);
        if (view != nullptr && view->layout == layout) {
            std::copy_n(view->pages.begin(), steps, pages + first);
            std::copy_n(view->pages.begin() + steps, steps, published.begin() + first);
            ReportRange(first, steps);
            return;
        }
        NoteRemapped(first, steps);
    }
    for (; step < steps; ++step) {
        PageDescriptor& source = pages[first + step];
        uint8_t* const storage = table.ram + static_cast<size_t>(target + step) * page::kSize;
        Borrow(source, source.read, page::kReadAliased, PageStorageRead, target + step, storage);
        Borrow(source, source.write, page::kWriteAliased, PageStorageWrite, target + step, storage);
    }
    PublishRange(first, count);
    if (steps == count && !AnyRemapped(target, steps)) {
        KeepBankView(view, first, target, steps);
    }
}

void MemoryMap::NoteRemapped(uint32_t first, uint32_t count) {
    for (uint32_t index = first; index < first + count; ++index) {
        if (remapped[index] == 0) {
            // The bank views that lend this page may no longer hold.
            remapped[index] = 1;
            ++layout;
        }
    }
}

bool MemoryMap::AnyRemapped(uint32_t first, uint32_t count) const {
    return std::any_of(remapped.begin() + first, remapped.begin() + first + count, [](uint8_t on) { return on != 0; });
}

MemoryMap::BankView* MemoryMap::FindBankView(uint32_t first, uint32_t target, uint32_t count) {
    for (BankView& view : bankViews) {
        if (view.first == first && view.target == target && view.count == count) {
            return &view;
        }
    }
    return nullptr;
}

void MemoryMap::KeepBankView(BankView* view, uint32_t first, uint32_t target, uint32_t count) {
    if (view == nullptr) {
        if (bankViews.size() < kMaxBankViews) {
            view = &bankViews.emplace_back();
        } else {
            view = &bankViews[nextBankView];
            nextBankView = (nextBankView + 1) % kMaxBankViews;
        }
    }
    view->first = first;
    view->target = target;
    view->count = count;
    view->layout = layout;
    view->pages.resize(static_cast<size_t>(count) * 2);
    std::copy_n(descriptors.begin() + first, count, view->pages.begin());
    std::copy_n(published.begin() + first, count, view->pages.begin() + count);
}

void MemoryMap::ResetPageRange(uint32_t first, uint32_t count) {
    AttachPageStorage(first, count, nullptr);
}

void MemoryMap::AttachPageStorage(uint32_t first, uint32_t count, uint8_t* buffer) {
    ForPages(first, count, [&](uint32_t index, PageDescriptor& descriptor) {
        uint8_t* storage = buffer != nullptr ? buffer + static_cast<size_t>(index - first) * page::kSize
                                             : table.ram + static_cast<size_t>(index) * page::kSize;
        const uint32_t kept = descriptor.flags & ~(page::kReadBound | page::kWriteBound | page::kReadUntranslated |
                                                   page::kWriteUntranslated);
        ResetPage(index, storage);
        descriptor.flags = kept;
        PublishWithBorrowers(index);
    });
}

uint32_t MemoryMap::GetPageAccess(uint32_t index) const {
    return index < table.pageCount ? descriptors[index].flags & (page::kReadable | page::kWritable) : 0;
}

bool MemoryMap::SetExtraVisible(bool on) {
    if (on == extraVisible || extraArea == nullptr) {
        return true;
    }
    extraVisible = on;
    table.size = on ? table.size + VisibleExtraBytes() : table.size - VisibleExtraBytes();
    ReportPage(kAllPages);
    return true;
}

void MemoryMap::SetOutOfRangeHooks(const Hooks& hooks) {
    outOfRange = hooks;
}

void MemoryMap::SetUnmappedHooks(const Hooks& hooks) {
    unmapped = hooks;
}

bool MemoryMap::Start(int32_t&) {
    return ResetPages();
}

void MemoryMap::Stop() {
    Free();
}

bool MemoryMap::SaveOwnData(common::RecordArchive& archive) {
    const common::NarrowString chunk("_MEMS");
    if (!archive.WriteMarker(common::kChunkBeginMarker, chunk) || !WriteVersion(archive, "VER") ||
        !archive.WriteRecordU64(table.size, common::NarrowString("MSZ")) ||
        !archive.WriteRecordU64(table.addressMask, common::NarrowString("MLM")) ||
        !archive.WriteRecordU64(extraSize, common::NarrowString("VBS"))) {
        return false;
    }
    int64_t run = 0;
    for (uint32_t first = 0; first < table.pageCount; ++first) {
        if (!IsSavedPage(first)) {
            continue;
        }
        uint32_t count = 1;
        while (first + count < table.pageCount && IsSavedPage(first + count)) {
            ++count;
        }
        if (!archive.WriteRecordBool(true, IndexedKey("MDT", run)) ||
            !archive.WriteRecordU64(first | static_cast<uint64_t>(count) << 32, IndexedKey("MDTS", run)) ||
            !archive.WriteRecordBlob(table.ram + static_cast<size_t>(first) * page::kSize,
                                     static_cast<int64_t>(count) * page::kSize, IndexedKey("MDTA", run))) {
            return false;
        }
        ++run;
        first += count;
    }
    if (!archive.WriteRecordBool(false, IndexedKey("MDT", run))) {
        return false;
    }
    if (extraSize != 0 && (!archive.WriteRecordBool(extraVisible, common::NarrowString("VBA")) ||
                           !archive.WriteRecordBlob(extraArea, extraSize, common::NarrowString("VBDT")))) {
        return false;
    }
    return archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool MemoryMap::LoadOwnData(common::RecordArchive& archive, common::NarrowString*) {
    const common::NarrowString chunk("_MEMS");
    uint64_t savedSize = 0;
    uint64_t savedMask = 0;
    uint64_t savedExtra = 0;
    // The size is saved as it was, with or without the extra area in view.
    const uint32_t hiddenSize = extraVisible ? table.size - VisibleExtraBytes() : table.size;
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordU64(savedSize, common::NarrowString("MSZ")) ||
        !archive.ReadRecordU64(savedMask, common::NarrowString("MLM")) ||
        !archive.ReadRecordU64(savedExtra, common::NarrowString("VBS")) || savedMask != table.addressMask ||
        savedExtra != extraSize ||
        (savedSize != hiddenSize && (extraSize == 0 || savedSize != hiddenSize + VisibleExtraBytes()))) {
        return false;
    }
    std::vector<SavedRun> runs;
    for (int64_t run = 0;; ++run) {
        bool more = false;
        if (!archive.ReadRecordBool(more, IndexedKey("MDT", run))) {
            return false;
        }
        if (!more) {
            break;
        }
        uint64_t extent = 0;
        if (!archive.ReadRecordU64(extent, IndexedKey("MDTS", run))) {
            return false;
        }
        const auto first = static_cast<uint32_t>(extent);
        const auto count = static_cast<uint32_t>(extent >> 32);
        if (first >= table.pageCount || count < 1 || count > table.pageCount - first) {
            return false;
        }
        for (uint32_t index = first; index < first + count; ++index) {
            if (!IsSavedPage(index)) {
                return false;
            }
        }
        SavedRun& saved = runs.emplace_back();
        saved.first = first;
        saved.bytes.resize(static_cast<size_t>(count) * page::kSize);
        if (!archive.ReadRecordBlob(saved.bytes.data(), static_cast<int64_t>(saved.bytes.size()),
                                    IndexedKey("MDTA", run))) {
            return false;
        }
    }
    bool visible = false;
    std::vector<uint8_t> extra(extraSize);
    if (extraSize != 0 && (!archive.ReadRecordBool(visible, common::NarrowString("VBA")) ||
                           savedSize != hiddenSize + (visible ? VisibleExtraBytes() : 0) ||
                           !archive.ReadRecordBlob(extra.data(), extraSize, common::NarrowString("VBDT")))) {
        return false;
    }
    if (!archive.ReadMarker(chunk, common::kChunkEndMarker)) {
        return false;
    }
    for (const SavedRun& run : runs) {
        std::memcpy(table.ram + static_cast<size_t>(run.first) * page::kSize, run.bytes.data(), run.bytes.size());
    }
    if (extraSize != 0) {
        SetExtraVisible(visible);
        std::memcpy(extraArea, extra.data(), extraSize);
    }
    return true;
}

bool MemoryMap::PageStorageRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t) {
    if (!IsPageStorageReadSize(size)) {
        return false;
    }
    std::memcpy(buffer, static_cast<const uint8_t*>(context) + (address & page::kOffsetMask), size);
    return true;
}

bool MemoryMap::PageStorageWrite(void* context, uint32_t address, uint32_t size, const void* buffer) {
    if (!IsPageStorageWriteSize(size)) {
        return false;
    }
    std::memcpy(static_cast<uint8_t*>(context) + (address & page::kOffsetMask), buffer, size);
    return true;
}

bool MemoryMap::FlatStorageRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t) {
    if (!IsPageStorageReadSize(size)) {
        return false;
    }
    std::memcpy(buffer, static_cast<const uint8_t*>(context) + address, size);
    return true;
}

bool MemoryMap::FlatStorageWrite(void* context, uint32_t address, uint32_t size, const void* buffer) {
    if (!IsPageStorageWriteSize(size)) {
        return false;
    }
    std::memcpy(static_cast<uint8_t*>(context) + address, buffer, size);
    return true;
}

bool MemoryMap::ReadWhole(uint32_t address, uint32_t width, void* value, uint8_t peek) const {
    const auto route = Resolve(kReadSide, address, width);
    return !route.split && route.handler(route.context, route.address, width, value, peek);
}

bool MemoryMap::WriteWhole(uint32_t address, uint32_t width, const void* value) const {
    const auto route = Resolve(kWriteSide, address, width);
    return !route.split && route.handler(route.context, route.address, width, value);
}

uint32_t MemoryMap::RemapSteps(uint32_t first, uint32_t target, uint32_t count) const {
    const uint32_t last = std::max(first, target);
    return last < table.pageCount ? std::min(count, table.pageCount - last) : 0;
}

template <typename Side>
bool MemoryMap::Remap(const Side& side, uint32_t first, uint32_t target, uint32_t count, bool publish) {
    ++layout;
    bool changed = false;
    if (first == target) {
        ForPages(first, count, [&](uint32_t index, PageDescriptor& descriptor) {
            auto& pageSide = descriptor.*side.member;
            descriptor.flags &= ~side.aliased;
            pageSide.aliasPage = index;
            if (pageSide.handler == side.pageStorage) {
                pageSide.context = table.ram + static_cast<size_t>(index) * page::kSize;
            }
            changed = true;
            if (publish) {
                Publish(index);
            }
        });
        return changed;
    }
    const uint32_t steps = RemapSteps(first, target, count);
    for (uint32_t step = 0; step < steps; ++step) {
        PageDescriptor& source = descriptors[first + step];
        uint8_t* const storage = table.ram + static_cast<size_t>(target + step) * page::kSize;
        if (Borrow(source, source.*side.member, side.aliased, side.pageStorage, target + step, storage)) {
            changed = true;
            if (publish) {
                Publish(first + step);
            }
        }
    }
    return changed;
}

template <typename Side>
void MemoryMap::PublishSide(const Side& side, uint32_t index, PageDescriptor& shown) const {
    const auto& ownSide = descriptors[index].*side.member;
    const uint32_t target = ownSide.aliasPage;
    if ((descriptors[index].flags & side.aliased) == 0 || target == index || target >= table.pageCount) {
        return;
    }
    // Only plain storage is lent in place: a handler's page (and a page that borrows in turn) is reached through
    // the map, so the handler in force at the time of the access serves it.
    const PageDescriptor& borrowed = descriptors[target];
    const auto& borrowedSide = borrowed.*side.member;
    if ((borrowed.flags & (side.bound | side.aliased)) != 0 || borrowedSide.handler != side.pageStorage) {
        return;
    }
    auto& shownSide = shown.*side.member;
    shownSide.context = borrowedSide.context;
    shownSide.handler = side.pageStorage;
    shown.flags = (shown.flags & ~(side.access | side.aliased | side.bound | side.untranslated)) |
                  (borrowed.flags & side.access) | (borrowed.flags & side.marked);
}

PageDescriptor MemoryMap::Shown(uint32_t index) const {
    PageDescriptor shown = descriptors[index];
    PublishSide(kReadSide, index, shown);
    PublishSide(kWriteSide, index, shown);
    return shown;
}

void MemoryMap::Publish(uint32_t index) {
    published[index] = Shown(index);
    ReportPage(static_cast<int32_t>(index));
}

void MemoryMap::PublishRange(uint32_t first, uint32_t count) {
    if (first >= table.pageCount) {
        return;
    }
    const uint32_t end = first + std::min(count, table.pageCount - first);
    for (uint32_t index = first; index < end; ++index) {
        published[index] = Shown(index);
    }
    ReportRange(first, end - first);
}

void MemoryMap::ReportRange(uint32_t first, uint32_t count) const {
    CpuInterface* cpu = machine != nullptr ? machine->FirstCpu() : nullptr;
    if (cpu != nullptr) {
        for (uint32_t index = first; index < first + count; ++index) {
            cpu->PageChanged(static_cast<int32_t>(index));
        }
    }
}

void MemoryMap::PublishWithBorrowers(uint32_t index) {
    Publish(index);
    for (uint32_t other = 0; other < table.pageCount; ++other) {
        const PageDescriptor& descriptor = descriptors[other];
        const bool borrowsRead = (descriptor.flags & page::kReadAliased) != 0 && descriptor.read.aliasPage == index;
        const bool borrowsWrite = (descriptor.flags & page::kWriteAliased) != 0 && descriptor.write.aliasPage == index;
        if (other != index && (borrowsRead || borrowsWrite)) {
            Publish(other);
        }
    }
}

template <typename Side, typename Handler>
bool MemoryMap::MapRange(const Side& side, uint32_t first, uint32_t count, void* context, Handler handler,
                         bool passUntranslated) {
    return ForPages(first, count, [&](uint32_t index, PageDescriptor& descriptor) {
        PageSide<Handler>& pageSide = descriptor.*side.member;
        pageSide.context = handler != nullptr ? context : table.ram;
        pageSide.handler = handler != nullptr ? handler : side.flatStorage;
        descriptor.flags = (descriptor.flags | side.bound) & ~side.untranslated;
        if (handler != nullptr && passUntranslated) {
            descriptor.flags |= side.untranslated;
        }
        PublishWithBorrowers(index);
    });
}

template <typename Change>
bool MemoryMap::ForPages(uint32_t first, uint32_t count, Change change) {
    ++layout;
    if (count == 0) {
        return true;
    }
    if (first >= table.pageCount) {
        return false;
    }
    const uint32_t end = count > table.pageCount - first ? table.pageCount : first + count;
    for (uint32_t index = first; index < end; ++index) {
        change(index, descriptors[index]);
    }
    return count <= table.pageCount - first;
}

void MemoryMap::ResetPage(uint32_t index, uint8_t* storage) {
    descriptors[index] = {
        page::kReadable | page::kWritable, {storage, PageStorageRead, index}, {storage, PageStorageWrite, index}};
}

void MemoryMap::ReportPage(int32_t index) const {
    CpuInterface* cpu = machine != nullptr ? machine->FirstCpu() : nullptr;
    if (cpu != nullptr) {
        cpu->PageChanged(index);
    }
}

void MemoryMap::Release() {
    common::platform::ReleasePages(block, blockBytes);
    block = nullptr;
    blockBytes = 0;
    descriptors = {};
    published = {};
    remapped = {};
    bankViews = {};
    nextBankView = 0;
    ++layout;
    table = {};
    extraArea = nullptr;
    extraSize = 0;
    extraVisible = false;
    outOfRange = {};
    unmapped.read = nullptr;
    unmapped.write = nullptr;
}

bool MemoryMap::IsSavedPage(uint32_t index) const {
    return (descriptors[index].flags & (page::kRam | page::kRom)) != page::kRom;
}

} // namespace emu
