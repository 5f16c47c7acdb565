#pragma once

#include "emu/core/BranchNode.h"
#include "emu/core/BusService.h"
#include "emu/core/ConfigParamApplier.h"
#include "emu/core/Device.h"
#include "emu/core/MachineInterface.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace emu {

class CpuInterface;
class DriveSlot;
class HostSoundOutput;
struct MouseEventRecord;

// The host's say on breaking: code 0 for a device report, which may break (request in and out, show out);
// code -1 when the machine only asks whether the host wants the report lines shown. Answers non-zero to break.
using HostCallback = int32_t (*)(void* context, uint8_t* request, uint8_t* show, int32_t code);

// The root of a device tree, through which the controller drives an emulated computer. It builds and owns its
// services ("_BUS", "_MEM", "_PORT", "_INTR", "_KEYB", "_MOUSE", "_DRIVES"), hands them to its devices, starts,
// stops, saves and loads the whole tree, tells its devices of every change of a drive's medium, applies the devices'
// configuration parameters, keeps the list of its processors and holds the links to the host: console, renderer, sound
// output, break callback and pause count.
//
// Start: the services, then the devices (the parameters applied before and after them, and the devices told
// 0x140 at the end). Stop: the devices last-first, then the services. A machine's state: the value "VER", the
// services' chunk (with an empty name), then the machine's own chunk with its devices.
class Machine : public MachineInterface, public Device {
public:
    explicit Machine(const char* name = nullptr, const char* tag = nullptr);
    ~Machine() override;

    // The first processor added, or null for a machine without one.
    CpuInterface* FirstCpu() const override { return processors.empty() ? nullptr : processors.front().cpu; }
    int32_t CpuCount() const { return static_cast<int32_t>(processors.size()); }
    // The processor at index as the device it is; null out of range.
    Device* CpuAt(int32_t index) const;
    // The first processor's time base; 0 without a processor.
    int64_t PrimaryFrequency() const;
    uint64_t ScaledElapsed() const;
    void RequestInterruptCheck() override;

    // Builds the services anew (deleting earlier ones) and hands them to the machine's own device part and its
    // enabled devices. A model calls this first in its own override, then adds its devices with AddChild.
    virtual bool CreateServices();
    // Adopts a device; a processor also joins the machine's list of processors.
    bool AddChild(std::unique_ptr<TreeNode> node, const char* childName = nullptr,
                  const char* childTag = nullptr) override;
    // Deletes the devices; the services stay.
    void DeleteChildren() override;
    // Detaches the renderer and deletes the devices.
    void Clear();

    // The machine's own services; null before CreateServices.
    BusService* Bus() const { return busService; }
    MemoryMap* Memory() const { return memoryMap; }
    PortMap* Ports() const { return portMap; }
    InterruptController* Interrupts() const { return interruptController; }
    KeyStateService* Keys() const { return keyState; }
    MouseService* Mouse() const { return mouseService; }
    DriveSet* Drives() const { return driveSet; }

    // Also hands the renderer the scale mode of "StretchScreen".
    bool Start(int32_t& rate) override;
    void Stop() override;
    // Binds a parameter a device added (every parameter for null) and tells the devices what changed; only
    // while running.
    bool ApplySettings(ConfigParam* record) override;
    int32_t QueryBreak(uint8_t& request, uint8_t& show) override;
    void Pause(bool on) override;
    int32_t PauseCount() const { return pauseCount; }
    // Whether the host wants report lines shown; true without a host.
    bool QueryHost();
    bool IsLoading() const { return loading; }
    // The controller marks a start that only prepares a state load.
    void SetLoading(bool on) { loading = on; }

    bool SaveState(common::RecordArchive& archive) override;
    // Reads a state strictly and tells the devices 0xFFFF when it all loaded; a state refused part-way puts back
    // the machine as it was (its sound outputs the same objects).
    bool LoadState(common::RecordArchive& archive, common::NarrowString* note) override;
    // The machine's own setting "StretchScreen" (not for the enabled-only exchange), then the devices'.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The devices' items; the view menu also gets the stretch toggle, which hands the renderer its new
    // scale mode.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    // The enabled devices describe themselves; true when any did.
    bool DescribeState(common::List& lines, bool flag, int32_t value) override;
    // Hands the console to the services and the devices.
    void SetConsole(common::Console* console) override;

    // Hands the renderer to the devices (borrowed), tells them while the machine runs, gives it the scale mode of
    // "StretchScreen" and installs the resize callback through which a resize tells them 0x100. The renderer must
    // outlive its attachment: attach another (or null) before deleting it; the machine's end detaches it too.
    void AttachRenderer(RendererBase* renderer);
    RendererBase* AttachedRenderer() const { return attachedRenderer; }
    // The prototype of the bus's sound outputs, borrowed.
    void SetSoundOutput(HostSoundOutput* output);
    HostSoundOutput* SoundOutput() const { return soundOutput; }
    void SetHostCallback(HostCallback callback, void* context);
    bool IsStretched() const { return stretch; }

    // The bus ticked by the processor at cpuIndex (none when out of range) or by the caller; see
    // BusService::SetRate. 0 before the services exist.
    int32_t SetBusRate(int32_t rate, int32_t cpuIndex, bool doubled);
    void TickBus() {
        if (busService != nullptr) {
            busService->Tick();
        }
    }
    void SetBusPaused(bool paused);
    // A host key went down or up; a negative code going up releases every key.
    void KeyEvent(int32_t code, bool down);
    void MouseEvent(const MouseEventRecord& event);

private:
    struct Processor {
        CpuInterface* cpu;
        Device* device;
    };

    // Hands the machine and its services to an enabled device and its device subtree; a disabled device and its
    // subtree are left without services.
    void ConnectServices(Device* device, bool enabled = true);
    // The chunks of a state behind its version, applied as they come.
    bool LoadParts(common::RecordArchive& archive, common::NarrowString* note);
    // The drive set's change callback, with the machine as context: tells the devices 0x200 before and 0x40
    // after a medium changes.
    static bool NotifyHostRedraw(void* context, DriveSlot* slot, bool pending);
    // The renderer's resize callback, with the machine as context: tells the devices 0x100.
    static bool RendererCallback(void* context);
    // The renderer's scale mode from "StretchScreen": 0 stretches, 1 zooms by whole factors.
    void ApplyScaleMode();
    // The attached renderer forgets the machine's callback.
    void ReleaseRenderer();
    // Binds the parameters of an enabled device subtree, of one type or (None) of all.
    bool ApplyParameters(Device* device, ParamType filter);

    BranchNode services;
    ConfigParamApplier applier;
    BusService* busService = nullptr;
    MemoryMap* memoryMap = nullptr;
    PortMap* portMap = nullptr;
    InterruptController* interruptController = nullptr;
    KeyStateService* keyState = nullptr;
    MouseService* mouseService = nullptr;
    DriveSet* driveSet = nullptr;
    std::vector<Processor> processors;
    int32_t pauseCount = 0;
    bool stretch = true;
    bool loading = false;
    RendererBase* attachedRenderer = nullptr;
    HostSoundOutput* soundOutput = nullptr;
    HostCallback hostCallback = nullptr;
    void* hostContext = nullptr;
};

} // namespace emu
