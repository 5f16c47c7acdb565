#pragma once

#include "common/WideString.h"
#include "emu/core/Machine.h"

#include <memory>

namespace common {
class List;
class String;
} // namespace common

namespace emu {

// A runnable computer, the base of the machine models: it logs the start and end of an emulation, writes its
// "_MCH" chunk, and tells the controller and the front end who it is: its identifiers, which pick its ROM folder,
// settings file and state file, and its title and frequency texts.
class Computer : public Machine {
public:
    using Machine::Machine;

    // "[INIT] Started emulation of <name>", then the machine's start.
    bool Start(int32_t& rate) override;
    // The machine's stop, then "[DONE] Emulation stopped!".
    void Stop() override;
    // After the device's own chunks, "_MCH" holding "VER" = 0; a model with state of its own writes its values
    // after it.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // The model's identifier, null for none.
    virtual const char* ModelId() const { return nullptr; }
    // The model's family, whose ROM folder it shares.
    virtual const char* FamilyId() const { return ModelId(); }
    // Names the machine's settings section and file.
    virtual const char* SettingsId() const { return FamilyId(); }
    // Names the machine's state file.
    virtual const char* StateFileId() const { return ModelId(); }
    // "CPU=3.00 MHz": the first processor's name and frequency (the requested one while running, "@" before it
    // at full speed); unchanged without a processor.
    virtual void FrequencyText(common::String& text) const;
    // Adds 'Computer "<name>"'.
    virtual void Title(common::List& lines) const;
    std::unique_ptr<common::WideString> NameWide() const;
};

} // namespace emu
