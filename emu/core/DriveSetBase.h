#pragma once

#include "common/PathString.h"
#include "emu/core/DriveSlot.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace emu {

enum class DriveKind : int32_t { Floppy, HardDisk, Cartridge, CdRom };
inline constexpr int32_t kDriveKindCount = 4;
inline constexpr std::array<DriveKind, kDriveKindCount> kDriveKinds{DriveKind::Floppy, DriveKind::HardDisk,
                                                                    DriveKind::Cartridge, DriveKind::CdRom};

// How each kind of drive is named: by the console's commands, in a state's records, in console errors and in the
// drive settings file's keys.
struct DriveKindNames {
    const char* kind;
    const char* record;
    const char* message;
    const char* settings;
};
inline constexpr std::array<DriveKindNames, kDriveKindCount> kDriveKindNames{{
    {"FDD", "FD", "FDD", "fdd"},
    {"HDD", "HD", "HDD", "hdd"},
    {"CART", "CR", "CART", "cart"},
    {"CDROM", "CD", "CDD", "cdd"},
}};
inline const DriveKindNames& NamesOf(DriveKind kind) {
    return kDriveKindNames[static_cast<size_t>(kind)];
}

// How many drives of a kind the drive settings file can remember.
inline constexpr int32_t kRememberedDriveLimit = 8;

// The drives of one kind, numbered by their index, and what the drive settings file remembers of that kind.
struct DriveKindRecord {
    std::vector<std::unique_ptr<DriveSlot>> drives;
    // How many drives of this kind the settings file carries: the most ever seen, capped at the limit whenever
    // the settings are bound.
    uint8_t rememberedCount = 0;
    std::array<bool, kRememberedDriveLimit> rememberedLatch{};
    std::array<common::PathString, kRememberedDriveLimit> rememberedPath;

    void ForgetRemembered() {
        rememberedCount = 0;
        rememberedLatch.fill(false);
        rememberedPath.fill(common::PathString());
    }
};

// The drives of a machine: floppy, hard-disk, cartridge and CD-ROM slots, which it owns, in lists per kind and
// all together in the order they were made, and the folders the user last took images and folders from. Every
// change of a slot or of the lists is announced through Notify, pending before and not pending after it.
class DriveSetBase {
public:
    DriveSetBase() = default;
    // Deletes every slot without announcing it any more.
    virtual ~DriveSetBase();
    DriveSetBase(const DriveSetBase&) = delete;
    DriveSetBase& operator=(const DriveSetBase&) = delete;

    // A change of slot (null for the lists themselves) is about to happen (pending) or has happened.
    virtual void Notify(DriveSlot* slot, bool pending);

    // Makes or removes slots of the kind, last first, until it has count of them. False, changing nothing, for a
    // negative count or the count it already has.
    bool SetCount(DriveKind kind, int32_t count);
    bool SetFloppyCount(int32_t count) { return SetCount(DriveKind::Floppy, count); }
    bool SetHardDiskCount(int32_t count) { return SetCount(DriveKind::HardDisk, count); }
    bool SetCartridgeCount(int32_t count) { return SetCount(DriveKind::Cartridge, count); }
    bool SetCdRomCount(int32_t count) { return SetCount(DriveKind::CdRom, count); }
    // Ejects and deletes one slot of the kind; false when the slot is not one of them.
    bool RemoveSlot(DriveKind kind, DriveSlot* slot);
    // Every kind to no drives, in the order floppy, hard disk, cartridge, CD-ROM.
    void RemoveAllSlots();

    // The first drive of the kind named "FDD", "HDD", "CART" or "CDROM" (letters in either case), or null.
    DriveSlot* GetDriveOfKind(const common::String& kindName) const;
    // Whether any drive read or wrote since the activity was last cleared.
    bool AnyDriveActivity() const;
    void ClearDriveActivity();

    const std::vector<DriveSlot*>& AllDrives() const { return allDrives; }
    int32_t Count(DriveKind kind) const { return static_cast<int32_t>(Record(kind).drives.size()); }
    // The drive of the kind with that number, or null.
    DriveSlot* DriveAt(DriveKind kind, int32_t index) const;
    // The folder of the image file last opened in any slot, with its separator.
    const common::PathString& LastImageFolder() const { return lastImageFolder; }
    // The host folder last opened as a disk.
    const common::PathString& LastMountFolder() const { return lastMountFolder; }
    void SetLastImageFolder(const common::String& folder) { lastImageFolder.Assign(folder); }
    void SetLastMountFolder(const common::String& folder) { lastMountFolder.Assign(folder); }

protected:
    DriveKindRecord& Record(DriveKind kind) { return kinds[static_cast<size_t>(kind)]; }
    const DriveKindRecord& Record(DriveKind kind) const { return kinds[static_cast<size_t>(kind)]; }

    common::PathString lastImageFolder;
    common::PathString lastMountFolder;

private:
    std::array<DriveKindRecord, kDriveKindCount> kinds;
    // Borrowed from the kind lists.
    std::vector<DriveSlot*> allDrives;
};

} // namespace emu
