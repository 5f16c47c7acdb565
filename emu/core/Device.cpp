#include "emu/core/Device.h"

#include "common/ByteStream.h"
#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/StateChunk.h"

namespace emu {

Device::Device(const char* name, const char* tag) : BranchNode(name, tag), params(std::make_unique<ConfigParamSet>()) {}

// The parameters go first; the node's destruction then deletes the children.
Device::~Device() = default;

Device* Device::DeviceAt(int32_t index) const {
    return dynamic_cast<Device*>(ChildAt(index));
}

void Device::SetServices(MachineInterface* newMachine, BusService* newBus, MemoryMap* newMemory, PortMap* newPorts,
                         InterruptController* newInterrupts, RendererBase* newRenderer, KeyStateService* newKeys,
                         DriveSet* newDrives, MouseService* newMouse) {
    machine = newMachine;
    bus = newBus;
    memory = newMemory;
    ports = newPorts;
    interrupts = newInterrupts;
    renderer = newRenderer;
    keys = newKeys;
    mouse = newMouse;
    drives = newDrives;
    params->SetListener(newMachine);
    OnServicesChanged();
}

bool Device::SetIrq(int32_t line, bool fixed, bool selfContained) {
    if (!params->Remove("IRQ")) {
        return false;
    }
    if (line < 0) {
        return true;
    }
    irqActive = fixed;
    irq = static_cast<uint64_t>(line);
    return params->AddFlag("IRQ", selfContained, &irqActive, &irq);
}

bool Device::Start(int32_t& rate) {
    running = true;
    return BranchNode::Start(rate);
}

void Device::Stop() {
    BranchNode::Stop();
    params->RestoreAll();
    running = false;
}

void Device::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    if (kind != OptionKind::Trace || item == nullptr) {
        BranchNode::FillSettingsTree(item, kind);
        return;
    }
    // An item that a child left empty is offered to the next one.
    std::unique_ptr<common::OptionNode> childItem;
    for (int32_t index = 0; index < ChildCount(); ++index) {
        TreeNode* child = ChildAt(index);
        const Device* device = DeviceAt(index);
        if (device != nullptr && device->InlinesSettings()) {
            child->FillSettingsTree(item, OptionKind::Trace);
            continue;
        }
        if (childItem == nullptr) {
            childItem = item->CreateNode(common::NarrowString());
        }
        child->FillSettingsTree(childItem.get(), OptionKind::Trace);
        if (childItem->ChildCount() > 0) {
            childItem->SetText(child->Name());
            item->AddEnabledLink(item->AddExisting(std::move(childItem)), true);
        }
        child->FillSettingsTree(item, OptionKind::TraceOuter);
    }
}

bool Device::SaveOwnData(common::RecordArchive& archive) {
    return params->SaveState(archive) && WriteVersionChunk(archive, "_DEV");
}

bool Device::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    return params->LoadState(archive, note) && ReadVersionChunk(archive, "_DEV");
}

bool Device::Notify(uint32_t code) {
    for (int32_t index = 0; index < ChildCount(); ++index) {
        Device* device = DeviceAt(index);
        if (device != nullptr && device->IsEnabled() && !device->Notify(code)) {
            return false;
        }
    }
    return true;
}

bool Device::DescribeState(common::List&, bool, int32_t) {
    return false;
}

bool Device::DescribeEnabledChildren(common::List& lines, bool flag, int32_t value) {
    bool described = false;
    for (int32_t index = 0; index < ChildCount(); ++index) {
        Device* device = DeviceAt(index);
        if (device != nullptr && device->IsEnabled()) {
            described = device->DescribeState(lines, flag, value) || described;
        }
    }
    return described;
}

uint32_t Device::ExecuteCommand(const common::NarrowString& command, common::ListCursor* parameters, uint8_t flag,
                                bool* wrongState) {
    for (int32_t index = 0; index < ChildCount(); ++index) {
        Device* device = DeviceAt(index);
        const uint32_t answer = device != nullptr ? device->ExecuteCommand(command, parameters, flag, wrongState) : 0;
        if (answer != 0) {
            return answer;
        }
    }
    return 0;
}

bool Device::BuildSettingsSections(common::SettingsTree* settings, bool enabledOnly) {
    if (settings == nullptr) {
        return false;
    }
    ExchangeSettings(settings, enabledOnly);
    for (int32_t index = 0; index < ChildCount(); ++index) {
        Device* device = DeviceAt(index);
        if (device == nullptr) {
            continue;
        }
        auto section = std::make_unique<common::SettingsTree>();
        device->BuildSettingsSections(section.get(), enabledOnly);
        if (!section->IsEmpty() && !settings->AddSection(device->Name(), std::move(section))) {
            return false;
        }
    }
    return true;
}

bool Device::LoadSaveIni(common::ByteStream& stream, bool enabledOnly, bool* changed) {
    common::SettingsTree settings;
    if (!ExchangeSettings(&settings, enabledOnly)) {
        return false;
    }
    // The key tree stores each value as it meets it: a malformed section is found out before anything is stored.
    const int64_t start = stream.Tell();
    if (!common::SkipKeyTreeNode(stream) || !stream.Seek(start)) {
        return false;
    }
    if (enabledOnly) {
        settings.SetHandlers(this, CheckChildSection, ResetAfterCheckedSection);
        return settings.LoadChecked(stream, changed);
    }
    settings.SetHandlers(this, LoadChildSection, ResetAfterSection);
    return settings.Load(stream);
}

bool Device::LoadSectionNamed(const char* sectionName, common::ByteStream& stream, const common::NarrowString& name,
                              bool enabledOnly, bool* changed) {
    return name.Compare(sectionName) == 0 && LoadSaveIni(stream, enabledOnly, changed);
}

bool Device::LoadChildSection(void* context, common::ByteStream& stream, const common::NarrowString& name,
                              bool* changed) {
    return LoadChild(context, stream, name, false, changed);
}

bool Device::CheckChildSection(void* context, common::ByteStream& stream, const common::NarrowString& name,
                               bool* changed) {
    return LoadChild(context, stream, name, true, changed);
}

bool Device::LoadChild(void* context, common::ByteStream& stream, const common::NarrowString& name, bool enabledOnly,
                       bool* changed) {
    const auto* parent = static_cast<Device*>(context);
    auto* child = parent != nullptr ? dynamic_cast<Device*>(parent->FindChild(name.GetNarrow())) : nullptr;
    return child != nullptr && child->LoadSaveIni(stream, enabledOnly, changed);
}

bool Device::ResetAfterSection(void* context, const common::NarrowString* sectionName) {
    return ResetAfter(context, sectionName, false);
}

bool Device::ResetAfterCheckedSection(void* context, const common::NarrowString* sectionName) {
    return ResetAfter(context, sectionName, true);
}

bool Device::ResetAfter(void* context, const common::NarrowString* sectionName, bool enabledOnly) {
    auto* device = static_cast<Device*>(context);
    return device != nullptr && (sectionName != nullptr || device->Reset(enabledOnly));
}

uint8_t Device::TraceVa(uint32_t plainColour, uint32_t breakColour, bool breakOn, uint8_t request, const char* format,
                        std::span<const common::FormatArg> args) const {
    bool breaks = false;
    if (breakOn) {
        uint8_t show = 0;
        if (machine != nullptr) {
            breaks = machine->QueryBreak(request, show) != 0;
        } else {
            show = 1; // no host to ask: the line shows and nothing breaks
        }
        if (!breaks && show == 0) {
            return 0;
        }
    }
    common::NarrowString line;
    line.Format("[%s%s] ", Tag().IsEmpty() ? Name() : Tag(), breaks ? " BREAK" : "");
    line.FormatV(format, args);
    AppendToConsole(line, breakOn ? breakColour : plainColour, true);
    return breaks ? request : 0;
}

} // namespace emu
