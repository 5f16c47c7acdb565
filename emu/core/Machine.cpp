#include "emu/core/Machine.h"

#include "common/List.h"
#include "common/MemoryStream.h"
#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/BusService.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/DriveSet.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/InterruptController.h"
#include "emu/core/KeyStateService.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/MouseService.h"
#include "emu/core/PortMap.h"
#include "emu/core/RendererBase.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"

#include <utility>
#include <vector>

namespace emu {

namespace {

// QueryHost's code to the host callback.
constexpr int32_t kShowQuery = -1;

// Adopts a new service into the group and answers it, or null when the group refused it.
template <typename Service>
Service* AddService(BranchNode& group) {
    auto service = std::make_unique<Service>();
    Service* added = service.get();
    return group.AddChild(std::move(service)) ? added : nullptr;
}

// Every node's enabled flag in a subtree. A state may switch nodes off while the state saved before it leaves
// switched-off nodes out, so a refused state must put the flags back before that one can load again.
using EnabledFlags = std::vector<std::pair<TreeNode*, bool>>;

void RememberEnabled(TreeNode& node, EnabledFlags& flags) {
    flags.emplace_back(&node, node.IsEnabled());
    if (auto* branch = dynamic_cast<BranchNode*>(&node)) {
        for (int32_t index = 0; index < branch->ChildCount(); ++index) {
            RememberEnabled(*branch->ChildAt(index), flags);
        }
    }
}

} // namespace

// The device part reaches its machine from the start, so that loading ROMs into a machine that never ran finds it.
Machine::Machine(const char* name, const char* tag) : Device(name, tag) {
    ConnectServices(this);
}

// The devices go before the services they may still hold.
Machine::~Machine() {
    ReleaseRenderer();
    DeleteChildren();
}

Device* Machine::CpuAt(int32_t index) const {
    return index >= 0 && index < CpuCount() ? processors[static_cast<size_t>(index)].device : nullptr;
}

int64_t Machine::PrimaryFrequency() const {
    const CpuInterface* cpu = FirstCpu();
    return cpu != nullptr ? cpu->PrimaryFrequency() : 0;
}

uint64_t Machine::ScaledElapsed() const {
    const CpuInterface* cpu = FirstCpu();
    return cpu != nullptr ? cpu->ScaledElapsed() : 0;
}

void Machine::RequestInterruptCheck() {
    for (const Processor& processor : processors) {
        processor.cpu->RequestInterruptCheck();
    }
}

bool Machine::CreateServices() {
    services.DeleteChildren();
    busService = nullptr;
    memoryMap = nullptr;
    portMap = nullptr;
    interruptController = nullptr;
    keyState = nullptr;
    mouseService = nullptr;
    driveSet = nullptr;
    if ((busService = AddService<BusService>(services)) == nullptr) {
        return false;
    }
    busService->SetOutputPrototype(soundOutput);
    if ((memoryMap = AddService<MemoryMap>(services)) == nullptr ||
        (portMap = AddService<PortMap>(services)) == nullptr ||
        (interruptController = AddService<InterruptController>(services)) == nullptr ||
        (keyState = AddService<KeyStateService>(services)) == nullptr ||
        (mouseService = AddService<MouseService>(services)) == nullptr ||
        (driveSet = AddService<DriveSet>(services)) == nullptr) {
        return false;
    }
    driveSet->SetHostCallback(&Machine::NotifyHostRedraw, this);
    interruptController->SetMachine(this);
    services.SetConsole(Console());
    // The devices hold the new services at once, never the deleted ones.
    ConnectServices(this);
    return true;
}

bool Machine::AddChild(std::unique_ptr<TreeNode> node, const char* childName, const char* childTag) {
    auto* cpu = dynamic_cast<CpuInterface*>(node.get());
    auto* device = dynamic_cast<Device*>(node.get());
    const bool isProcessor = cpu != nullptr && device != nullptr && node->DeviceKind() == NodeKind::Processor;
    if (!Device::AddChild(std::move(node), childName, childTag)) {
        return false;
    }
    if (isProcessor) {
        processors.push_back({cpu, device});
    }
    return true;
}

void Machine::DeleteChildren() {
    processors.clear();
    Device::DeleteChildren();
}

void Machine::Clear() {
    ReleaseRenderer();
    attachedRenderer = nullptr;
    DeleteChildren();
}

bool Machine::Start(int32_t& rate) {
    if (memoryMap != nullptr) {
        memoryMap->SetMachine(nullptr);
    }
    pauseCount = 0;
    if (!services.Start(rate)) {
        return false;
    }
    ConnectServices(this);
    // Parameters are bound once the devices run, so those they declared as they started are in force when they
    // hear 0x140; the pass before only binds what a machine still running from an earlier start holds.
    if (!ApplySettings(nullptr) || !Device::Start(rate) || !ApplySettings(nullptr) || !Notify(notification::kStarted)) {
        return false;
    }
    if (memoryMap != nullptr) {
        memoryMap->SetMachine(this);
    }
    ApplyScaleMode();
    return true;
}

void Machine::Stop() {
    Device::Stop();
    services.Stop();
}

bool Machine::ApplySettings(ConfigParam* record) {
    if (!IsRunning()) {
        return true;
    }
    const bool applied = ApplyParameters(this, record != nullptr ? record->Type() : ParamType::None);
    return Notify(AppliedNotification(record)) && applied;
}

int32_t Machine::QueryBreak(uint8_t& request, uint8_t& show) {
    if (hostCallback == nullptr) {
        show = 1;
        return 0;
    }
    // No break can be asked for while paused.
    if (pauseCount != 0) {
        request = 0;
    }
    return hostCallback(hostContext, &request, &show, 0);
}

void Machine::Pause(bool on) {
    if (on) {
        ++pauseCount;
    } else if (pauseCount > 0) {
        --pauseCount;
    }
}

bool Machine::QueryHost() {
    if (hostCallback == nullptr) {
        return true;
    }
    uint8_t request = 0;
    uint8_t show = 0;
    hostCallback(hostContext, &request, &show, kShowQuery);
    return show == 0;
}

bool Machine::SaveState(common::RecordArchive& archive) {
    if (!WriteVersion(archive, "VER")) {
        return false;
    }
    Pause(true);
    const bool saved = services.SaveState(archive) && Device::SaveState(archive);
    Pause(false);
    return saved;
}

bool Machine::LoadState(common::RecordArchive& archive, common::NarrowString* note) {
    if (!ReadVersion(archive, "VER")) {
        return false;
    }
    // The chunks apply one after another: a refused one puts back what the machine was.
    common::MemoryStream backup;
    backup.Create(0, -1);
    common::RecordArchive backupWriter(backup);
    const bool backedUp = SaveState(backupWriter);
    EnabledFlags flags;
    RememberEnabled(services, flags);
    RememberEnabled(*this, flags);
    if (LoadParts(archive, note)) {
        return true;
    }
    for (const auto& [node, on] : flags) {
        node->SetEnabled(on);
    }
    if (backedUp && backup.Seek(0)) {
        common::RecordArchive backupReader(backup);
        if (ReadVersion(backupReader, "VER")) {
            LoadParts(backupReader, nullptr);
        }
    }
    return false;
}

bool Machine::LoadParts(common::RecordArchive& archive, common::NarrowString* note) {
    Pause(true);
    loading = true;
    const bool loaded =
        services.LoadState(archive, note) && Device::LoadState(archive, note) && Notify(notification::kStateLoaded);
    loading = false;
    Pause(false);
    return loaded;
}

bool Machine::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        settings->BindBool(common::NarrowString("StretchScreen"), &stretch);
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

void Machine::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    Device::FillSettingsTree(item, kind);
    if (kind == OptionKind::Video && item != nullptr) {
        item->AddSeparator();
        item->AddSeparator();
        common::OptionNode* toggle = item->AddToggleItemById(text::kStretchToWindow, &stretch, true, nullptr, true);
        if (toggle != nullptr) {
            toggle->AddActionCallback([this] {
                ApplyScaleMode();
                return false;
            });
        }
    }
}

bool Machine::DescribeState(common::List& lines, bool flag, int32_t value) {
    return DescribeEnabledChildren(lines, flag, value);
}

void Machine::SetConsole(common::Console* console) {
    if (console == Console()) {
        return;
    }
    services.SetConsole(console);
    Device::SetConsole(console);
}

void Machine::AttachRenderer(RendererBase* renderer) {
    if (renderer == attachedRenderer) {
        return;
    }
    ReleaseRenderer();
    attachedRenderer = renderer;
    if (renderer != nullptr) {
        renderer->SetResizeCallback(&Machine::RendererCallback, this);
        ApplyScaleMode();
    }
    if (IsEnabled()) {
        ConnectServices(this);
    }
    if (IsRunning()) {
        Notify(notification::kRendererChanged);
    }
}

void Machine::SetSoundOutput(HostSoundOutput* output) {
    soundOutput = output;
    if (busService != nullptr) {
        busService->SetOutputPrototype(output);
    }
}

void Machine::SetHostCallback(HostCallback callback, void* context) {
    hostCallback = callback;
    hostContext = context;
}

int32_t Machine::SetBusRate(int32_t rate, int32_t cpuIndex, bool doubled) {
    if (busService == nullptr) {
        return 0;
    }
    CpuInterface* cpu =
        cpuIndex >= 0 && cpuIndex < CpuCount() ? processors[static_cast<size_t>(cpuIndex)].cpu : nullptr;
    return busService->SetRate(rate, cpu, doubled);
}

void Machine::SetBusPaused(bool paused) {
    if (busService != nullptr) {
        busService->SetPaused(paused);
    }
}

void Machine::KeyEvent(int32_t code, bool down) {
    if (keyState == nullptr) {
        return;
    }
    if (code < 0 && !down) {
        keyState->ReleaseAll();
    } else {
        keyState->SetKey(static_cast<uint8_t>(code), down);
    }
}

void Machine::MouseEvent(const MouseEventRecord& event) {
    if (mouseService != nullptr) {
        mouseService->Broadcast(event);
    }
}

void Machine::ConnectServices(Device* device, bool enabled) {
    if (device == nullptr) {
        return;
    }
    // A disabled device keeps no service: the next rebuild would leave it holding deleted ones.
    enabled = enabled && device->IsEnabled();
    if (enabled) {
        device->SetServices(this, busService, memoryMap, portMap, interruptController, attachedRenderer, keyState,
                            driveSet, mouseService);
    } else {
        device->SetServices(device->Machine(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    for (int32_t index = 0; index < device->ChildCount(); ++index) {
        ConnectServices(device->DeviceAt(index), enabled);
    }
}

bool Machine::NotifyHostRedraw(void* context, DriveSlot*, bool pending) {
    return static_cast<Machine*>(context)->Notify(pending ? notification::kMediaChangePending
                                                          : notification::kMediaChanged);
}

bool Machine::RendererCallback(void* context) {
    return static_cast<Machine*>(context)->Notify(notification::kRendererChanged);
}

void Machine::ApplyScaleMode() {
    if (attachedRenderer != nullptr) {
        attachedRenderer->SetScaleMode(stretch ? 0 : 1);
    }
}

void Machine::ReleaseRenderer() {
    if (attachedRenderer != nullptr) {
        attachedRenderer->SetResizeCallback(nullptr, nullptr);
    }
}

bool Machine::ApplyParameters(Device* device, ParamType filter) {
    if (device == nullptr) {
        return false;
    }
    if (!device->IsEnabled()) {
        return true;
    }
    const ConfigParamSet& params = device->Params();
    for (int32_t index = 0; index < params.Count(); ++index) {
        ConfigParam* record = params.RecordAt(index);
        if (filter != ParamType::None && record->Type() != filter) {
            continue;
        }
        bool applied = false;
        switch (record->Type()) {
        case ParamType::None:
            applied = true;
            break;
        case ParamType::Flag:
            applied = applier.ApplyFlag(record);
            break;
        case ParamType::FlagPair:
            applied = applier.ApplyFlagPair(record);
            break;
        case ParamType::MemoryRange:
            applied = applier.ApplyMemoryRange(memoryMap, record, device);
            break;
        case ParamType::PortRange:
            applied = applier.ApplyPortRange(portMap, record, device);
            break;
        case ParamType::VectorRangeA:
            applied = applier.ApplyVectorRangeA(interruptController, record, device);
            break;
        case ParamType::VectorRangeB:
            applied = applier.ApplyVectorRangeB(interruptController, record, device);
            break;
        }
        if (!applied) {
            return false;
        }
    }
    for (int32_t index = 0; index < device->ChildCount(); ++index) {
        Device* child = device->DeviceAt(index);
        if (child != nullptr && !ApplyParameters(child, filter)) {
            return false;
        }
    }
    return true;
}

} // namespace emu
