#include "emu/core/DriveSetBase.h"

#include "common/WideString.h"

#include <algorithm>

namespace emu {

DriveSetBase::~DriveSetBase() {
    RemoveAllSlots();
}

void DriveSetBase::Notify(DriveSlot*, bool) {}

bool DriveSetBase::SetCount(DriveKind kind, int32_t count) {
    DriveKindRecord& record = Record(kind);
    if (count < 0 || count == Count(kind)) {
        return false;
    }
    Notify(nullptr, true);
    while (Count(kind) > count) {
        RemoveSlot(kind, record.drives.back().get());
    }
    while (Count(kind) < count) {
        auto slot = std::make_unique<DriveSlot>(*this);
        slot->hardDisk = kind == DriveKind::HardDisk;
        allDrives.push_back(slot.get());
        record.drives.push_back(std::move(slot));
    }
    Notify(nullptr, false);
    return true;
}

bool DriveSetBase::RemoveSlot(DriveKind kind, DriveSlot* slot) {
    std::vector<std::unique_ptr<DriveSlot>>& drives = Record(kind).drives;
    const auto owned = std::find_if(drives.begin(), drives.end(),
                                    [slot](const auto& each) { return slot != nullptr && each.get() == slot; });
    const auto listed = std::find(allDrives.begin(), allDrives.end(), slot);
    if (owned == drives.end() || listed == allDrives.end()) {
        return false;
    }
    std::unique_ptr<DriveSlot> removed = std::move(*owned);
    drives.erase(owned);
    allDrives.erase(listed);
    removed->EjectImage();
    return true;
}

void DriveSetBase::RemoveAllSlots() {
    for (const DriveKind kind : kDriveKinds) {
        SetCount(kind, 0);
    }
}

DriveSlot* DriveSetBase::GetDriveOfKind(const common::String& kindName) const {
    if (kindName.Length() <= 2) {
        return nullptr;
    }
    common::WideString upper;
    upper.Assign(kindName);
    upper.ToUpper();
    for (const DriveKind kind : kDriveKinds) {
        if (upper.Compare(NamesOf(kind).kind) == 0) {
            return DriveAt(kind, 0);
        }
    }
    return nullptr;
}

bool DriveSetBase::AnyDriveActivity() const {
    return std::any_of(allDrives.begin(), allDrives.end(),
                       [](const DriveSlot* slot) { return slot->writeActivity || slot->readActivity; });
}

void DriveSetBase::ClearDriveActivity() {
    for (DriveSlot* slot : allDrives) {
        slot->writeActivity = false;
        slot->readActivity = false;
    }
}

DriveSlot* DriveSetBase::DriveAt(DriveKind kind, int32_t index) const {
    const DriveKindRecord& record = Record(kind);
    return index >= 0 && index < Count(kind) ? record.drives[static_cast<size_t>(index)].get() : nullptr;
}

} // namespace emu
