#pragma once

#include "emu/core/BranchNode.h"
#include "emu/core/ConfigParamSet.h"
#include "emu/core/MachineInterface.h"
#include "emu/core/Notification.h"
#include "emu/core/Report.h"

#include <cstdint>
#include <memory>
#include <span>

namespace common {
class ByteStream;
class List;
class ListCursor;
} // namespace common

namespace emu {

class BusService;
class DriveSet;
class InterruptController;
class KeyStateService;
class MemoryMap;
class MouseService;
class PortMap;
class RendererBase;

// The base of every emulated device, the processors and the machine itself. Beside its children it owns its
// configuration parameters, borrows the machine and its services (handed out when the machine starts), knows
// whether it runs, passes notifications and console commands down, writes its "_CFP" and "_DEV" chunks and its
// settings section, and prints the device reports.
//
// A device's state chunk: begin(name), "_VER", "_ENBL", "_CFP", "_DEV", the class's own chunks (a class with own
// state calls its base's SaveOwnData and LoadOwnData first), the chunks of the enabled children, end(name).
class Device : public BranchNode {
public:
    explicit Device(const char* name = nullptr, const char* tag = nullptr);
    ~Device() override;

    ConfigParamSet& Params() const { return *params; }
    MachineInterface* Machine() const { return machine; }
    BusService* Bus() const { return bus; }
    MemoryMap* Memory() const { return memory; }
    PortMap* Ports() const { return ports; }
    InterruptController* Interrupts() const { return interrupts; }
    // May stay null: a machine can run without a renderer.
    RendererBase* Renderer() const { return renderer; }
    KeyStateService* Keys() const { return keys; }
    MouseService* Mouse() const { return mouse; }
    DriveSet* Drives() const { return drives; }
    // From the start of Start to the end of Stop.
    bool IsRunning() const { return running; }
    // The child at index when it is a device, else null.
    Device* DeviceAt(int32_t index) const;

    // The machine hands itself and its services to its enabled devices when it starts, builds its services anew or
    // a renderer is attached, and becomes the listener of their parameter sets; disabled devices get null services.
    void SetServices(MachineInterface* newMachine, BusService* newBus, MemoryMap* newMemory, PortMap* newPorts,
                     InterruptController* newInterrupts, RendererBase* newRenderer, KeyStateService* newKeys,
                     DriveSet* newDrives, MouseService* newMouse);
    // Replaces the device's interrupt line parameter "IRQ" with line (none when negative); fixed asks for a fixed
    // claim. False when the old one could not be removed or the new one not added.
    bool SetIrq(int32_t line, bool fixed, bool selfContained);

    // Running from here on, even when a child fails to start.
    bool Start(int32_t& rate) override;
    // Stops the children, takes every parameter out of force and ends running.
    void Stop() override;
    // For the trace menu each child fills a sub-item of its own, titled with its name and added only when it got
    // items, unless it inlines its settings; every other kind is filled as a plain node does.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool IsDevice() const override { return true; }
    // "_CFP", then "_DEV" holding "VER" = 0.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // Passes the code to the enabled child devices in order; the first refusal ends it and is the answer.
    virtual bool Notify(uint32_t code);
    // Whether the device adds its trace menu items straight to its parent's item.
    virtual bool InlinesSettings() const { return false; }
    // Adds lines describing the device's state; false when it has nothing to say.
    virtual bool DescribeState(common::List& lines, bool flag, int32_t value);
    // A console command that is none of the console's own, offered to every child device, enabled or not. The
    // first non-zero answer wins: 1 to 255 name a wrong parameter, above 255 means done; 0 means unknown here.
    // A device that knows the command but cannot run it now sets *wrongState.
    virtual uint32_t ExecuteCommand(const common::NarrowString& command, common::ListCursor* parameters, uint8_t flag,
                                    bool* wrongState);

    // The device's settings section: its keys (and, as the node exchange goes, its descendants') and one nested
    // section per child device that has anything to store, named after the child. False for no tree or two
    // children of one name.
    bool BuildSettingsSections(common::SettingsTree* settings, bool enabledOnly);
    // Reads one section from the stream into the subtree. A plain load (enabledOnly false) goes over all
    // children; a comparing load over the enabled ones sets *changed when a stored value differs. Sections and
    // keys that nobody takes are passed over; a malformed section fails before any setting changes.
    bool LoadSaveIni(common::ByteStream& stream, bool enabledOnly, bool* changed);
    // LoadSaveIni of a section named sectionName; a section of another name is left unread (false).
    bool LoadSectionNamed(const char* sectionName, common::ByteStream& stream, const common::NarrowString& name,
                          bool enabledOnly, bool* changed);
    // Section handlers of the settings tree, with a device as context: hand a nested section to the child device
    // of that name.
    static bool LoadChildSection(void* context, common::ByteStream& stream, const common::NarrowString& name,
                                 bool* changed);
    static bool CheckChildSection(void* context, common::ByteStream& stream, const common::NarrowString& name,
                                  bool* changed);
    // Node-done handlers, with a device as context: once the device's own values are read (no section name) they
    // answer its Reset, over all children or only the enabled ones.
    static bool ResetAfterSection(void* context, const common::NarrowString* sectionName);
    static bool ResetAfterCheckedSection(void* context, const common::NarrowString* sectionName);

    // Device reports, printf-style, on the device's console. A trace line opens with "[tag] " (the name when the
    // tag is empty). With breakOn the machine's host is asked to break: the line then shows "[tag BREAK] " in
    // the break colour when it breaks, "[tag] " in the break colour when the host only wants it shown, and
    // nothing otherwise. The Break forms answer the break request when the machine breaks, else 0.
    template <typename... Args>
    void Trace(bool traceOn, bool breakOn, const char* format, const Args&... args) const {
        if (traceOn || breakOn) {
            TraceVa(kTraceColour, kBreakColour, breakOn, 0, format, FormatArgs(args...));
        }
    }
    // Regardless of the trace-all counter.
    template <typename... Args>
    uint8_t TraceCheckBreak(bool traceOn, bool breakOn, const char* format, const Args&... args) const {
        return traceOn || breakOn ? TraceVa(kTraceColour, kBreakColour, breakOn, 1, format, FormatArgs(args...)) : 0;
    }
    template <typename... Args>
    void TraceUnlessMuted(bool traceOn, bool mute, const char* format, const Args&... args) const {
        if ((traceOn || TracesAll()) && !mute) {
            TraceVa(kTraceColour, kTraceColour, false, 0, format, FormatArgs(args...));
        }
    }
    // The event family prints when traceOn, breakOn or the trace-all counter asks and mute does not.
    template <typename... Args>
    void TraceEventNotify(bool traceOn, bool breakOn, bool mute, const char* format, const Args&... args) const {
        TraceEvent(kTraceColour, 0, traceOn, breakOn, mute, format, args...);
    }
    template <typename... Args>
    void TraceWriteNotify(bool traceOn, bool breakOn, bool mute, const char* format, const Args&... args) const {
        TraceEvent(kWriteTraceColour, 0, traceOn, breakOn, mute, format, args...);
    }
    template <typename... Args>
    uint8_t TraceEventBreak(bool traceOn, bool breakOn, bool mute, const char* format, const Args&... args) const {
        return TraceEvent(kTraceColour, 1, traceOn, breakOn, mute, format, args...);
    }
    template <typename... Args>
    uint8_t TraceReadBreak(bool traceOn, bool breakOn, bool mute, const char* format, const Args&... args) const {
        return TraceEvent(kReadTraceColour, 1, traceOn, breakOn, mute, format, args...);
    }
    template <typename... Args>
    uint8_t TraceWriteBreak(bool traceOn, bool breakOn, bool mute, const char* format, const Args&... args) const {
        return TraceEvent(kWriteTraceColour, 1, traceOn, breakOn, mute, format, args...);
    }
    template <typename... Args>
    void TraceAlways(const char* format, const Args&... args) const {
        TraceVa(kTraceColour, kTraceColour, false, 0, format, FormatArgs(args...));
    }
    // A message without prefix, unless it is empty.
    template <typename... Args>
    void PrintMessage(const char* format, const Args&... args) const {
        Print(kTraceColour, false, format, FormatArgs(args...));
    }
    // The trace line in plainColour, or with breakOn the break step with request.
    uint8_t TraceVa(uint32_t plainColour, uint32_t breakColour, bool breakOn, uint8_t request, const char* format,
                    std::span<const common::FormatArg> args) const;

protected:
    // The state lines of every enabled child device; false when none had anything to say.
    bool DescribeEnabledChildren(common::List& lines, bool flag, int32_t value);
    // Called by SetServices once the new services are in place, for what a device derives from them.
    virtual void OnServicesChanged() {}
    // Bound by pointer, to option items and parameters.
    bool running = false;
    bool irqActive = false;
    uint64_t irq = 0;

private:
    template <typename... Args>
    uint8_t TraceEvent(uint32_t colour, uint8_t request, bool traceOn, bool breakOn, bool mute, const char* format,
                       const Args&... args) const {
        return !mute && (traceOn || breakOn || TracesAll())
                   ? TraceVa(colour, kBreakColour, breakOn, request, format, FormatArgs(args...))
                   : 0;
    }
    bool TracesAll() const { return machine != nullptr && machine->TracesAll(); }
    static bool LoadChild(void* context, common::ByteStream& stream, const common::NarrowString& name, bool enabledOnly,
                          bool* changed);
    static bool ResetAfter(void* context, const common::NarrowString* sectionName, bool enabledOnly);

    std::unique_ptr<ConfigParamSet> params;
    MachineInterface* machine = nullptr;
    BusService* bus = nullptr;
    MemoryMap* memory = nullptr;
    PortMap* ports = nullptr;
    InterruptController* interrupts = nullptr;
    RendererBase* renderer = nullptr;
    KeyStateService* keys = nullptr;
    MouseService* mouse = nullptr;
    DriveSet* drives = nullptr;
};

// Section handlers for the top level of a machine's settings stream, with the machine as context (a MachineType,
// which names its settings by SettingsId()): the machine's own section is named after that id; a section of
// another model's name is passed over.
template <typename MachineType>
bool LoadMachineSection(void* context, common::ByteStream& stream, const common::NarrowString& name, bool* changed) {
    auto* machine = static_cast<MachineType*>(context);
    return machine != nullptr && machine->LoadSectionNamed(machine->SettingsId(), stream, name, false, changed);
}

template <typename MachineType>
bool CheckMachineSection(void* context, common::ByteStream& stream, const common::NarrowString& name, bool* changed) {
    auto* machine = static_cast<MachineType*>(context);
    return machine != nullptr && machine->LoadSectionNamed(machine->SettingsId(), stream, name, true, changed);
}

} // namespace emu
