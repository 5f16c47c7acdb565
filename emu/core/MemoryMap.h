#pragma once

#include "emu/core/MemoryMapInterface.h"
#include "emu/core/TreeNode.h"

#include <cstdint>
#include <vector>

namespace common {
class ByteStream;
} // namespace common

namespace emu {

class Machine;

// Flag bits of a memory page.
namespace page {
inline constexpr uint32_t kSize = 1024;
inline constexpr uint32_t kOffsetMask = kSize - 1;
inline constexpr uint32_t kShift = 10;

inline constexpr uint32_t kReadable = 0x001;
inline constexpr uint32_t kWritable = 0x002;
// The side is served by a handler other than the page's own storage.
inline constexpr uint32_t kReadBound = 0x004;
inline constexpr uint32_t kWriteBound = 0x008;
// The side uses the contents of its alias page.
inline constexpr uint32_t kReadAliased = 0x010;
inline constexpr uint32_t kWriteAliased = 0x020;
// Never set here; the processor's direct fetches test it.
inline constexpr uint32_t kFetchReserved = 0x040;
// Keeps the processor's direct writes off the page.
inline constexpr uint32_t kMarked = 0x080;
// The side's handler gets the address as the caller gave it, not the alias-translated one.
inline constexpr uint32_t kReadUntranslated = 0x100;
inline constexpr uint32_t kWriteUntranslated = 0x200;
// Saved with the state; a ROM page is left out unless it is also marked RAM.
inline constexpr uint32_t kRam = 0x400;
inline constexpr uint32_t kRom = 0x800;

// A processor reads, fetches or writes a page's bytes in place when the page's flags under these masks are just
// kReadable (kWritable); when they are readable (writable) and bound, it may offer a byte to the page's handler.
inline constexpr uint32_t kReadInPlaceMask = kReadable | kReadBound | kReadAliased;
inline constexpr uint32_t kFetchInPlaceMask = kReadInPlaceMask | kFetchReserved;
inline constexpr uint32_t kWriteInPlaceMask = kWritable | kWriteBound | kWriteAliased | kMarked;
} // namespace page

// One direction of a page: the handler that serves it and its context, and the page whose contents it uses when
// it is aliased (otherwise its own).
template <typename Handler>
struct PageSide {
    void* context = nullptr;
    Handler handler = nullptr;
    uint32_t aliasPage = 0;
};

// How one 1 KB page is reached. A plain page's context is the host address of its bytes, so the processor reads,
// fetches or writes it in place when the page says so; every other access goes through the memory map.
struct PageDescriptor {
    uint32_t flags = 0;
    PageSide<BusReadHandler> read;
    PageSide<BusWriteHandler> write;

    bool ReadsInPlace() const { return (flags & page::kReadInPlaceMask) == page::kReadable; }
    bool FetchesInPlace() const { return (flags & page::kFetchInPlaceMask) == page::kReadable; }
    bool WritesInPlace() const { return (flags & page::kWriteInPlaceMask) == page::kWritable; }
    // The page's bytes, for accesses in place.
    const uint8_t* ReadBytes() const { return static_cast<const uint8_t*>(read.context); }
    uint8_t* WriteBytes() const { return static_cast<uint8_t*>(write.context); }
};

// The page table and bounds one memory map publishes to its machine's processors, which read it directly on their
// fast path (no call per plain RAM or ROM access). It lives as long as the map and is kept current by it; between
// two creations of the map its pointers do not move.
struct PageTable {
    const PageDescriptor* pages = nullptr;
    // Storage of page 0; every page's own storage follows at 1 KB steps.
    uint8_t* ram = nullptr;
    // Addressable bytes: an address at or above it goes through the map.
    uint32_t size = 0;
    uint32_t pageCount = 0;
    uint32_t addressMask = 0;

    // Whether the width bytes from address all lie below size.
    bool Holds(uint32_t address, uint32_t width) const { return address < size && size - address >= width; }
    const PageDescriptor& PageOf(uint32_t address) const { return pages[address >> page::kShift]; }
};

// The machine's memory service "_MEM": the emulated address space in 1 KB pages over one block of host storage,
// so that a page nobody claimed is plain RAM. A page can be read-only, write-only or absent, served by a device's
// handlers, or borrow another page's contents (bank switching). A page that borrows plain storage is published to
// the processors as that storage, with the lender's access, so bank-switched RAM and ROM stay on their fast path;
// one that borrows a handler's page reaches whatever handler serves that page at the time of the access. Accesses that
// no page serves go to hooks: out-of-range reads and unmapped reads give 0xFF per byte unless a hook serves them, such
// writes are dropped. Word and long accesses that cross a page end, or that no handler serves whole, are split into
// halves, low half first.
class MemoryMap : public MemoryMapInterface, public TreeNode {
public:
    // Hook pairs for the accesses no page serves.
    struct Hooks {
        void* context = nullptr;
        BusReadHandler read = nullptr;
        BusWriteHandler write = nullptr;
    };

    MemoryMap();
    ~MemoryMap() override;

    // Builds a map of size bytes (rounded up to whole pages) of plain RAM, with two spare pages above it and,
    // with extra bytes, a separate area after a gap page, which SetExtraVisible brings into the address space.
    // The address mask stays as given when it is non-zero and below size, else it is size - 1. The machine's
    // devices are told that the map changed. False, with an empty map, when the host refuses the storage.
    bool Create(uint32_t size, uint32_t addressMask, uint32_t extra);
    // Every page back to plain zero-filled RAM, every hook to its default.
    bool ResetPages();
    // Empties the map.
    void Free();
    // The machine told of changes; its first processor learns of changed pages.
    void SetMachine(Machine* owner) { machine = owner; }

    const PageTable& Pages() const { return table; }
    uint8_t* RamBase() const { return table.ram; }
    uint32_t Size() const { return table.size; }
    uint32_t AddressMask() const { return table.addressMask; }
    uint32_t PageCount() const { return table.pageCount; }
    uint8_t* ExtraArea() const { return extraArea; }
    uint32_t ExtraSize() const { return extraSize; }
    const PageDescriptor* PageAt(uint32_t page) const;

    // peek is 1 for the debugger's reads, which the handlers must serve without side effects.
    uint8_t ReadByte(uint32_t address, uint8_t peek);
    uint16_t ReadWord(uint32_t address, uint8_t peek);
    uint32_t ReadDword(uint32_t address, uint8_t peek);
    void WriteByte(uint32_t address, uint8_t value);
    void WriteWord(uint32_t address, uint16_t value);
    void WriteDword(uint32_t address, uint32_t value);

    // Byte by byte through the pages, each next address masked (mask 0: the map's own).
    bool ReadBytes(uint32_t address, uint8_t* destination, uint32_t count, uint32_t mask);
    bool WriteBytes(uint32_t address, const uint8_t* source, uint32_t count, uint32_t mask);
    // The bytes come from the stream; false at the first that does not (the earlier ones stay written).
    bool WriteBytesFromStream(uint32_t address, common::ByteStream& stream, uint32_t count, uint32_t mask);
    bool CopyBytes(uint32_t source, uint32_t destination, uint32_t count, uint32_t mask);
    // Copies items of count bytes from the stream straight into storage (no handlers, no page flags), stepping
    // stride bytes, until the stream ends or the next item would pass the end of the address space. False for
    // an item size outside 1..8, a stride below 1 or an address out of range, and when a read fails before the
    // stream's end or cuts an item (the bytes read before stay).
    bool LoadData(common::ByteStream& stream, uint32_t address, int32_t count, int32_t stride);

    // Page configuration over pages first .. first + count - 1. Those that answer say whether the whole range
    // lay in the page table (the pages up to its end are still changed).
    enum class Access : uint32_t { None = 0, ReadOnly = 1, WriteOnly = 2, ReadWrite = 3 };
    bool SetPageMapping(Access access, uint32_t first, uint32_t count);
    // RAM pages are saved with the state, ROM pages left out.
    bool SetPageAccess(bool ram, uint32_t first, uint32_t count);
    void SetPageMark(uint32_t first, uint32_t count, bool on);
    // A null handler binds the side to plain storage by address.
    bool MapReadRange(uint32_t first, uint32_t count, void* context, BusReadHandler handler,
                      bool passUntranslated) override;
    bool MapWriteRange(uint32_t first, uint32_t count, void* context, BusWriteHandler handler,
                       bool passUntranslated) override;
    // Bank switching: pages first .. take their contents and access from target ..; with first equal to target
    // the pages use their own again.
    void RemapReadPages(uint32_t first, uint32_t target, uint32_t count);
    void RemapWritePages(uint32_t first, uint32_t target, uint32_t count);
    void RemapPages(uint32_t first, uint32_t target, uint32_t count);
    // Back to their own storage and handlers.
    void ResetPageRange(uint32_t first, uint32_t count);
    // Served by storage outside the map: page first + i by buffer + i KB.
    void AttachPageStorage(uint32_t first, uint32_t count, uint8_t* buffer);
    uint32_t GetPageAccess(uint32_t page) const;
    // Brings the extra area (and the gap page before it) into the address space, or takes it out.
    bool SetExtraVisible(bool on);
    bool IsExtraVisible() const { return extraVisible; }

    // Hooks for accesses above the address space and to pages without the side; a null handler restores the
    // default (reads declined, writes dropped). Create, Free and ResetPages restore the defaults.
    void SetOutOfRangeHooks(const Hooks& hooks);
    void SetUnmappedHooks(const Hooks& hooks);

    // The node's start and stop.
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The "_MEMS" chunk: sizes, the contents of every page that is not ROM, and the extra area.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Takes a chunk of a map of the same sizes; anything else is refused before storage changes.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // Handlers of plain storage: at context + page offset, or at context + address.
    static bool PageStorageRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool PageStorageWrite(void* context, uint32_t address, uint32_t size, const void* buffer);
    static bool FlatStorageRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool FlatStorageWrite(void* context, uint32_t address, uint32_t size, const void* buffer);

private:
    struct SavedRun;
    // The pages of a window as a bank switch left them: their descriptors, then what was published for them; it
    // holds while the layout is the one it was taken at.
    struct BankView {
        uint32_t first = 0;
        uint32_t target = 0;
        uint32_t count = 0;
        uint64_t layout = 0;
        std::vector<PageDescriptor> pages;
    };
    static constexpr size_t kMaxBankViews = 64;

    // Where an access of width bytes goes; Side tells the read side of pages from the write side.
    template <typename Side>
    auto Resolve(const Side& side, uint32_t address, uint32_t width) const;
    // The access served whole by a handler, without falling back to storage.
    bool ReadWhole(uint32_t address, uint32_t width, void* value, uint8_t peek) const;
    bool WriteWhole(uint32_t address, uint32_t width, const void* value) const;
    // Answers whether any page changed; with publish each changed page is published.
    template <typename Side>
    bool Remap(const Side& side, uint32_t first, uint32_t target, uint32_t count, bool publish = true);
    // The pages a remap of count pages from first onto target changes: those whose bank page is in the table too.
    uint32_t RemapSteps(uint32_t first, uint32_t target, uint32_t count) const;
    // The processors' view of a page: its own descriptor, or for a side that borrows plain storage, that storage
    // with the lender's access.
    PageDescriptor Shown(uint32_t index) const;
    // Publishes a page; the processor is told.
    void Publish(uint32_t index);
    // Publishes the pages of a range (cut at the table's end), then tells the processor of each.
    void PublishRange(uint32_t first, uint32_t count);
    void ReportRange(uint32_t first, uint32_t count) const;
    // Bank views: a view holds while its bank pages are never the window of a bank switch, so the switches
    // note their windows; a window noted for the first time ends the views taken before.
    void NoteRemapped(uint32_t first, uint32_t count);
    bool AnyRemapped(uint32_t first, uint32_t count) const;
    BankView* FindBankView(uint32_t first, uint32_t target, uint32_t count);
    // Takes the window's pages as they are now into the view (a new one when null).
    void KeepBankView(BankView* view, uint32_t first, uint32_t target, uint32_t count);
    // Publishes a page and every page that borrows it.
    void PublishWithBorrowers(uint32_t index);
    template <typename Side>
    void PublishSide(const Side& side, uint32_t index, PageDescriptor& shown) const;
    template <typename Side, typename Handler>
    bool MapRange(const Side& side, uint32_t first, uint32_t count, void* context, Handler handler,
                  bool passUntranslated);
    // Calls change for each page of the range in the table; true when the whole range was.
    template <typename Change>
    bool ForPages(uint32_t first, uint32_t count, Change change);
    void ResetPage(uint32_t page, uint8_t* storage);
    void ReportPage(int32_t page) const;
    void Release();
    bool IsSavedPage(uint32_t page) const;
    uint32_t MaskOrOwn(uint32_t mask) const { return mask != 0 ? mask : table.addressMask; }
    uint32_t VisibleExtraBytes() const { return extraSize + page::kSize; }

    PageTable table;
    // Each page as configured; the map routes its own accesses by them.
    std::vector<PageDescriptor> descriptors;
    // What the processors read in place (the table's pages).
    std::vector<PageDescriptor> published;
    // Counts every change of the pages other than a bank switch of RemapPages.
    uint64_t layout = 0;
    // Pages that RemapPages has switched to a bank (1).
    std::vector<uint8_t> remapped;
    std::vector<BankView> bankViews;
    size_t nextBankView = 0;
    // The reserved block: a guard KB, then the storage of every page.
    uint8_t* block = nullptr;
    uint64_t blockBytes = 0;
    uint8_t* extraArea = nullptr;
    uint32_t extraSize = 0;
    bool extraVisible = false;
    Hooks outOfRange;
    Hooks unmapped;
    Machine* machine = nullptr;
};

} // namespace emu
