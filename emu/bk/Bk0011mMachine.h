#pragma once

#include "emu/bk/BkMachine.h"

#include <array>
#include <cstdint>
#include <memory>

namespace emu {

class AySoundChip;
class BkFloppyController;

// The BK-0011M line (family "bk_0011"): the family's devices with the processor at 4,096,000 Hz starting at the
// BOS (0140000), the frame interrupt on line 16, the AY-3-891x on the port 0177714 that it shares with the Covox,
// and 240 KB of memory: eight 16 KB RAM pages and four 16 KB ROM banks behind two windows, 040000-077777 and
// 0100000-0137777, which the memory-map register (0177716 written with bit 11 set) switches. The palette and
// screen register 0177662 picks the palette, the shown screen (RAM page 5 or 6) and whether the frame interrupt
// may be taken. The BOS call tracer names the BOS's EMT calls. The model "BK-0011M" has a BIN slot, started from
// 0160000, "BK-0011M + FDD" the floppy controller and two drives.
//
// State, after the family's: "VER" 0, "TMRE" the frame interrupt's enable, "LCOV" the run of port writes that
// chose no AY register, "IDX1" and "IDX2" the RAM pages of the windows, "IDX3" the ROM bank of window 2 (-1:
// none chosen since start).
class Bk0011mMachineBase : public BkMachine {
public:
    static constexpr int32_t kCpuFrequency = 4096000;
    static constexpr uint16_t kStartWord = 0140000;
    static constexpr uint32_t kMemorySize = 0x3C000;
    // 1 KB pages of a window, a RAM page and a ROM bank.
    static constexpr uint32_t kWindowPages = 16;
    static constexpr uint32_t kWindow1 = 16;
    static constexpr uint32_t kWindow2 = 32;
    static constexpr int32_t kRamPageCount = 8;
    static constexpr int32_t kRomBankCount = 4;
    // The screen pages, RAM pages 5 and 6, shown by video pages 1 and 0.
    static constexpr int32_t kScreen0 = 5;
    static constexpr int32_t kScreen1 = 6;
    // The run of port writes after which the port is the Covox's.
    static constexpr int32_t kCovoxRun = 5000;
    static constexpr int32_t kBinHookPage = 56;

    explicit Bk0011mMachineBase(const char* name = "BK");
    ~Bk0011mMachineBase() override;

    // The first 1 KB page of a RAM page (0..7) and of a ROM bank (0..3) in the memory.
    static uint32_t RamPageStart(int32_t ramPage) { return ramPage == 0 ? 0 : static_cast<uint32_t>(ramPage + 7) * 16; }
    static uint32_t RomBankStart(int32_t bank) { return static_cast<uint32_t>(bank + 4) * 16; }
    // Twice the AY's clock for a "PSGFreq" choice at the processor's clock; a choice out of 0..3 counts as 0.
    static int32_t PsgBaseFrequency(int32_t choice, int64_t cpuFrequency);

    const char* FamilyId() const override { return "bk_0011"; }
    // The family's devices, the processor's clock and start word, the frame interrupt's line, the two screen
    // views, the AY-3-891x ("AY-3-891x"), the model's own (AddModelDevices), then the BOS call tracer. False at
    // the first that fails.
    bool CreateServices() override;
    // The memory made anew, the family's start, the AY's clock, the pages (RAM, the ROM area absent), the ROM set,
    // the register page, window 1 on RAM page 1 and window 2 on RAM page 0, the frame interrupt disabled and RAM
    // page 5 shown.
    bool Start(int32_t& rate) override;
    // The devices' reset; a "PSGFreq" out of 0..3 goes back to 0 (false).
    bool ResetDevices(bool enabledOnly) override;
    // "PSGFreq" and "LoadMSTD", unless enabledOnly "TraceWriteMemMapReg" and "BreakWriteMemMapReg", then the
    // family's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The sound menu gets the AY's "Chip Frequency", the trace menu "Motherboard", the machine options of model 4
    // "Load MSTD ROM file"; then the family's items.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    // Whether the tests ROM rather than the floppy driver goes to 0160000, on a model that offers the choice.
    bool LoadMSTD() const { return loadMstd; }

    AySoundChip* Psg() const { return psg; }
    BkFloppyController* FloppyController() const override { return floppyController; }
    bool TimerInterruptEnabled() const { return timerInterruptEnabled; }
    int32_t CovoxRun() const { return covoxRun; }
    // The RAM pages the windows show and window 2's ROM bank, as the last memory-map write set them (-1: none).
    int32_t Window1Page() const { return window1Page; }
    int32_t Window2Page() const { return window2Page; }
    int32_t Window2Bank() const { return window2Bank; }

protected:
    // The model's devices, made before the BOS call tracer.
    virtual bool AddModelDevices() { return true; }
    // Whether the machine options offer "Load MSTD ROM file".
    virtual bool OffersTestsRom() const { return false; }
    // The BIN slot, "BIN:", for "bin" files.
    bool AddBinSlot();
    // The floppy controller ("FDC BK") with its two drives, the floppy slots taking "img" raw disk images.
    bool AddFloppyController();
    // The family's registers, then the model's, untraced: the floppy controller's ports (without a controller
    // 0177130 takes writes and does nothing), the writes of the palette and screen register, the shared sound port,
    // and SYSREG read as the BK-0011M reads it and written as the memory-map register when bit 11 is set.
    bool AddRegisters(BkRegisterTable& table) override;
    bool SaveModelState(common::RecordArchive& archive) override;
    // Refuses window pages out of -1..7, a bank out of -1..3 and a run out of 0..5000.
    bool ReadModelState(common::RecordArchive& archive) override;
    void ApplyModelState() override;

private:
    struct Saved {
        bool timerInterruptEnabled = false;
        int32_t covoxRun = 0;
        int32_t window1Page = -1;
        int32_t window2Page = -1;
        int32_t window2Bank = -1;
    };

    uint16_t ReadSysReg(uint16_t address, RegisterAccess access, bool peek) const;
    void WriteScreenRegister(uint16_t value);
    void WriteSoundPortWord(uint16_t value);
    void WriteSoundPortByte(uint8_t value);
    // The byte to the Covox unless it holds it already.
    void WriteCovox(uint8_t value) const;
    void WriteMemoryMap(uint16_t value);
    // The windows as the pages say; -1 maps a window as the start does.
    void MapWindows(int32_t page1, int32_t page2, int32_t bank);
    void FillTraceMenu(common::OptionNode* item);
    // The BOS call tracer; false when the tree refuses it.
    bool AddBosTracer();

    bool traceWriteMemMapReg = false;
    bool breakWriteMemMapReg = false;
    BkFloppyController* floppyController = nullptr;
    AySoundChip* psg = nullptr;
    int32_t psgFrequency = 0;
    int32_t covoxRun = 0;
    bool loadMstd = true;
    int32_t window1Page = -1;
    int32_t window2Page = -1;
    int32_t window2Bank = -1;
    Saved loaded;
};

// "BK-0011M": the tests ROM (or the floppy driver) at 0160000 and the BIN slot.
class Bk0011mMachine : public Bk0011mMachineBase {
public:
    static constexpr uint32_t kModelIndex = 4;

    Bk0011mMachine();
    ~Bk0011mMachine() override;

    std::unique_ptr<Computer> NewInstance() const override;
    const char* ModelId() const override { return "bk_11m"; }
    // A BIN file starts on the first word read from 0160000.
    int32_t BinHookPage() const override { return kBinHookPage; }
    // The BOS, the BASIC when its first file is there, the tests ROM (LoadMSTD, required) or else the floppy
    // driver (stood in for when missing), the extended ROM.
    BkRomSet RomSet() const override;

protected:
    bool AddModelDevices() override { return AddBinSlot(); }
    bool OffersTestsRom() const override { return true; }
};

// "BK-0011M + FDD": the floppy driver at 0160000, the controller and two drives.
class Bk0011mFddMachine : public Bk0011mMachineBase {
public:
    static constexpr uint32_t kModelIndex = 5;

    Bk0011mFddMachine();
    ~Bk0011mFddMachine() override;

    std::unique_ptr<Computer> NewInstance() const override;
    const char* ModelId() const override { return "bk_11m_f"; }
    // The base's devices, then the controller's ROM hook.
    bool CreateServices() override;
    // The BOS, the floppy driver (required), the BASIC when its first file is there, the extended ROM.
    BkRomSet RomSet() const override;

protected:
    bool AddModelDevices() override { return AddFloppyController(); }
};

} // namespace emu
