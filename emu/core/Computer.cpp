#include "emu/core/Computer.h"

#include "common/List.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/StateChunk.h"

namespace emu {

namespace {

constexpr double kMegahertz = 0.000001;

} // namespace

bool Computer::Start(int32_t& rate) {
    PrintLine("[INIT] Started emulation of %s", Name());
    return Machine::Start(rate);
}

void Computer::Stop() {
    Machine::Stop();
    PrintLine("[DONE] Emulation stopped!");
}

bool Computer::SaveOwnData(common::RecordArchive& archive) {
    return Machine::SaveOwnData(archive) && WriteVersionChunk(archive, "_MCH");
}

bool Computer::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    return Machine::LoadOwnData(archive, note) && ReadVersionChunk(archive, "_MCH");
}

void Computer::FrequencyText(common::String& text) const {
    const CpuInterface* cpu = FirstCpu();
    if (cpu == nullptr) {
        return;
    }
    const common::NarrowString& cpuName = CpuAt(0)->Name();
    if (IsRunning()) {
        text.Format("%s=%.2f MHz", cpuName, cpu->RequestedFrequency() * kMegahertz);
    } else {
        text.Format(cpu->IsMaxSpeed() ? "%s=@%.2f MHz" : "%s=%.2f MHz", cpuName, cpu->Frequency() * kMegahertz);
    }
}

void Computer::Title(common::List& lines) const {
    common::WideString title;
    title.Format("Computer \"%s\"", Name());
    lines.Add(title);
}

std::unique_ptr<common::WideString> Computer::NameWide() const {
    auto name = std::make_unique<common::WideString>();
    name->Assign(Name());
    return name;
}

} // namespace emu
