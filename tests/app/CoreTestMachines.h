// Machines the core's tests run: stand-ins for the five BK models (a 1801BM1 at 3 MHz in 64 KB of RAM running a
// small loop at 01000, under the models' names and ids), a machine whose processor runs no code and only spends
// its budgets (it can answer for the maximum-speed loop and can be made to hang), and a configuration over them
// with a temporary settings folder.
#pragma once

#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/ProgramFolders.h"
#include "emu/core/CpuBase.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/KeyStateService.h"
#include "emu/core/MachineInterface.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/MouseService.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "emu/devices/OffscreenRenderer.h"
#include "support/TemporaryFolder.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace app_test {

struct ModelName {
    const char* name;
    const char* id;
};
inline constexpr std::array<ModelName, 5> kModels = {{{"BK-0010", "bk_0010"},
                                                      {"BK-0010.01", "bk_10_01"},
                                                      {"BK-0010 + FDD", "bk_10_fd"},
                                                      {"BK-0011M", "bk_11m"},
                                                      {"BK-0011M + FDD", "bk_11m_f"}}};

// Where the stand-ins' program lives and starts.
inline constexpr uint16_t kProgramStart = 01000;
// INC R0; BR back to INC.
inline constexpr std::array<uint16_t, 2> kProgram = {005200, 000776};
inline constexpr int32_t kStandInFrequency = 3000000;

// Writes the program into the machine's fresh memory at every start, and records the host keys and mouse events
// the machine passes on, for the test thread to read at any time.
class ProbeDevice : public emu::Device {
public:
    // A key the machine passed on, with the processor's cycle count at that moment.
    struct KeyAt {
        int32_t code;
        bool down;
        uint64_t cycles;
    };

    ProbeDevice() : Device("PROBE") {}

    bool Start(int32_t& rate) override {
        if (!Device::Start(rate)) {
            return false;
        }
        for (size_t index = 0; index < kProgram.size(); ++index) {
            Memory()->WriteWord(kProgramStart + 2 * static_cast<uint32_t>(index), kProgram[index]);
        }
        Keys()->AddListener(this, OnKey);
        Mouse()->AddListener(this, OnMouse);
        return true;
    }

    std::atomic<int32_t> keyEvents{0};
    std::atomic<int32_t> lastKey{-1};
    std::atomic<bool> lastKeyDown{false};
    std::atomic<int32_t> mouseEvents{0};
    std::atomic<uint32_t> lastButtons{0};

    std::vector<KeyAt> KeysAt() const {
        std::lock_guard lock(keysLock);
        return keysAt;
    }

private:
    static bool OnKey(void* context, uint8_t code, bool down) {
        auto* probe = static_cast<ProbeDevice*>(context);
        probe->lastKey = code;
        probe->lastKeyDown = down;
        ++probe->keyEvents;
        const emu::CpuInterface* cpu = probe->Machine() != nullptr ? probe->Machine()->FirstCpu() : nullptr;
        std::lock_guard lock(probe->keysLock);
        probe->keysAt.push_back({code, down, cpu != nullptr ? cpu->Cycles() : 0});
        return true;
    }
    static void OnMouse(void* context, const emu::MouseEventRecord& event) {
        auto* probe = static_cast<ProbeDevice*>(context);
        probe->lastButtons = event.buttons;
        ++probe->mouseEvents;
    }

    mutable std::mutex keysLock;
    std::vector<KeyAt> keysAt;
};

// Where a stand-in made outside a configuration keeps its settings: a program folder of the test process's own,
// never the folder of the test executable.
inline const common::ProgramFolders& StandInFolders() {
    static const test_support::TemporaryFolder folder;
    static const common::ProgramFolders folders(folder.PathOf(u"zovbk"), std::u16string());
    return folders;
}

// A stand-in for a BK model: the 1801BM1 running kProgram, and the probe.
class StandInModel : public test_support::TestMachine {
public:
    explicit StandInModel(size_t model, bool withCpu = true)
        : TestMachine(kModels[model].name), model(model), withCpu(withCpu) {
        SetFolders(StandInFolders());
        if (withCpu) {
            auto cpu = std::make_unique<emu::Cpu1801BM1>();
            cpu->SetFrequency(kStandInFrequency);
            cpu->SetStartWord(kProgramStart);
            AddChild(std::move(cpu));
        }
        AddChild(std::make_unique<ProbeDevice>());
    }

    std::unique_ptr<emu::Computer> NewInstance() const override {
        return std::make_unique<StandInModel>(model, withCpu);
    }
    bool UsesSyncFrequency() const override { return false; }
    const char* ModelId() const override { return kModels[model].id; }

    emu::Cpu1801BM1& Cpu() const { return *static_cast<emu::Cpu1801BM1*>(CpuAt(0)); }
    ProbeDevice& Probe() const { return *static_cast<ProbeDevice*>(ChildAt(ChildCount() - 1)); }

private:
    size_t model;
    bool withCpu;
};

template <size_t Model>
std::unique_ptr<emu::Computer> MakeStandIn() {
    return std::make_unique<StandInModel>(Model);
}

inline std::unique_ptr<emu::Computer> MakeCpuLessStandIn() {
    return std::make_unique<StandInModel>(0, false);
}

// The machine list with the stand-ins in the models' places.
inline constexpr emu::EmulatorConfig::MachineListEntry kStandInList[] = {
    {&MakeStandIn<0>, false}, {&MakeStandIn<1>, false}, {&MakeStandIn<2>, false},
    {nullptr, true},          {&MakeStandIn<3>, false}, {&MakeStandIn<4>, false},
};

// A processor that runs no code: each slice spends its budget exactly (a budget of 0 one cycle), and each call
// counts as one instruction of two bytes. While held it blocks inside Execute, as a thread that hangs.
class BudgetCpu : public emu::CpuBase {
public:
    explicit BudgetCpu(int32_t frequency, bool maxSpeed) : CpuBase("CPU", "CPU"), maxSpeed(maxSpeed) {
        SetFrequency(frequency);
    }

    int32_t Execute(int32_t budget) override {
        {
            std::unique_lock lock(holdMutex);
            inside = true;
            holdChanged.notify_all();
            holdChanged.wait(lock, [this] { return !held; });
            inside = false;
        }
        OpenSlice(budget);
        budgetLeft = 0;
        ++calls;
        pc += 2;
        return CloseSlice();
    }
    uint32_t GetPC() const override { return pc; }
    void InterruptLineChanged(uint32_t) override {}
    bool IsMaxSpeed() const override { return maxSpeed; }

    void Hold(bool on) {
        std::lock_guard lock(holdMutex);
        held = on;
        holdChanged.notify_all();
    }
    // Waits until the emulation thread stands inside Execute.
    void AwaitInside() {
        std::unique_lock lock(holdMutex);
        holdChanged.wait(lock, [this] { return inside; });
    }

    std::atomic<int64_t> calls{0};

private:
    bool maxSpeed;
    uint32_t pc = 0;
    std::mutex holdMutex;
    std::condition_variable holdChanged;
    bool held = false;
    bool inside = false;
};

// A machine with a BudgetCpu; it offers the synchronisation rate.
class BudgetMachine : public test_support::TestMachine {
public:
    explicit BudgetMachine(bool maxSpeed, int32_t frequency = kStandInFrequency)
        : TestMachine("BUDGET"), maxSpeed(maxSpeed), frequency(frequency) {
        AddChild(std::make_unique<BudgetCpu>(frequency, maxSpeed));
    }
    std::unique_ptr<emu::Computer> NewInstance() const override {
        return std::make_unique<BudgetMachine>(maxSpeed, frequency);
    }
    const char* ModelId() const override { return "budget"; }
    BudgetCpu& Cpu() const { return *static_cast<BudgetCpu*>(CpuAt(0)); }

private:
    bool maxSpeed;
    int32_t frequency;
};

// Fails the test and ends the process when a threaded test stands still for longer than the limit: a deadlock
// shows as a failure, not as a hang.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : watcher([this, limit] { Watch(limit); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        changed.notify_all();
        watcher.join();
    }

private:
    void Watch(std::chrono::seconds limit) {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, limit, [this] { return done; })) {
            ADD_FAILURE() << "watchdog: the test stood still for " << limit.count() << " s";
            std::fflush(nullptr);
            std::_Exit(1);
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::thread watcher;
};

// Asks until the condition holds, giving the other threads a millisecond between the questions; false after the
// limit.
inline bool Eventually(const std::function<bool()>& holds, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Reads the running machine with the emulation thread held still; a thread that does not hold fails the test.
template <typename Read>
auto WhileHeld(emu::EmulatorCore& core, Read read) {
    const bool held = core.HoldThread(true);
    EXPECT_TRUE(held) << "the emulation thread did not park";
    const auto value = held ? read() : decltype(read()){};
    core.HoldThread(false);
    return value;
}

// The console's lines written since the last call, which clears it.
inline std::vector<std::string> TakeConsoleTexts(emu::EmulatorCore& core) {
    std::vector<std::string> texts;
    for (const common::ConsoleLine& line : core.Console().Snapshot()) {
        texts.emplace_back(line.text.GetNarrow());
    }
    core.Console().Clear();
    return texts;
}

// A program in a temporary folder: its settings live there.
class TemporaryProgram {
public:
    TemporaryProgram() : folders(folder.PathOf(u"zovbk"), std::u16string()) {}

    const test_support::TemporaryFolder& Folder() const { return folder; }
    const common::ProgramFolders& Folders() const { return folders; }
    // The real ROM images (BK_ROM_DIR) copied beside the program, whose folders are then the answer: settings,
    // states and configurations stay in the temporary folder, never in the shared images' one. False when
    // BK_ROM_DIR is not set or the copy fails.
    bool RealRomFolders(common::ProgramFolders& real) const {
        if (!test_support::CopyRealRoms(folder.Path())) {
            return false;
        }
        real = folders;
        return true;
    }

private:
    test_support::TemporaryFolder folder;
    common::ProgramFolders folders;
};

// The state files (".sav") anywhere under the folder.
inline std::vector<std::filesystem::path> StateFilesUnder(const std::filesystem::path& root) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().extension() == ".sav") {
            files.push_back(entry.path());
        }
    }
    return files;
}

// The process works in the folder for the fixture's life: an installed program's folders are given relative to
// it ("./Program Files/zovbk"), as no test may write to the real one.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous;
};

// A configuration over the machine list in a temporary program's folders, with the offscreen renderer as its
// renderer (and console surface) and "No Sound".
inline std::unique_ptr<emu::EmulatorConfig> MakeConfig(const common::ProgramFolders& folders,
                                                       std::span<const emu::EmulatorConfig::MachineListEntry> machines,
                                                       int32_t requestLimitMs = 20000,
                                                       common::TextLookup textLookup = {}) {
    emu::EmulatorConfig::Environment environment;
    environment.folders = folders;
    environment.requestLimitMs = requestLimitMs;
    environment.textLookup = std::move(textLookup);
    emu::EmulatorConfig::MediaList media;
    media.soundOutputs.push_back(std::make_unique<emu::HostSoundOutput>());
    media.renderers.push_back(std::make_unique<emu::OffscreenRenderer>());
    return std::make_unique<emu::EmulatorConfig>(std::move(environment), machines, std::move(media));
}

} // namespace app_test
