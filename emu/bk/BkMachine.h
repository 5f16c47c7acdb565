#pragma once

#include "emu/bk/BkRegisterTable.h"
#include "emu/bk/BkRomSet.h"
#include "emu/core/Computer.h"
#include "emu/core/InterruptController.h"

#include <array>
#include <cstdint>
#include <functional>

namespace emu {

class BkBiosTracer;
class BkFloppyController;
class BkKeyboard;
class BkSpeaker;
class BkSystemTimer;
class BkVideo;
class Cpu1801BM1;
class CovoxDac;
class DriveSlot;

// The base of every BK machine (family "bk_001x"), node "BK" tagged "MBOARD": the standard devices (processor,
// video, keyboard, system timer, speaker, Covox), the seventeen interrupt request lines and their arbitration, the
// bus-error hooks of unmapped memory, the register page 0176000-0177777 with the system register SYSREG, and the
// family's debug settings and state records. The models set their model index, create their memory and map it;
// the register page answers through one table of rows, the family's, to which a model adds its own or in which it
// replaces some (AddRegisters).
//
// Request lines: line n stands for vector 4 * n, the lowest raised line wins. Line 12 is the keyboard's (vector
// 060, or 0274 for a key latched in AR2 mode, kept in the line as -1); line 16 the frame interrupt (vector 0100,
// taken only while the timer interrupt is enabled, which no BK-0010 does). PSW bit 7 holds both off.
class BkMachine : public Computer {
public:
    static constexpr int32_t kLineCount = 17;
    static constexpr uint32_t kKeyboardLine = 12;
    static constexpr uint32_t kFrameLine = 16;
    static constexpr uint32_t kBusErrorVector = 4;
    // The register page: the top kilobyte of the address space.
    static constexpr uint32_t kRegisterPage = 63;

    // Whether the tape input reads high at this moment of the processor's clock.
    using TapeNoise = std::function<bool(uint64_t cycles)>;

    // A model names the machine after itself; the family's own name is "BK".
    explicit BkMachine(const char* name = "BK");
    ~BkMachine() override;

    const char* FamilyId() const override { return "bk_001x"; }
    // The BK machines keep their own bus rate whatever the controller's synchronisation choice.
    bool UsesSyncFrequency() const override { return false; }
    // The model's number, which its saved states carry: each model class names its own (kModelIndex); 0 for the
    // bare family.
    uint32_t ModelIndex() const { return modelIndex; }

    // The services, then the standard devices under their display names ("CPU 1801BM1", "Video Device",
    // "Keyboard" on request line 12, "Timer (undoc)", "BK Speaker", "Covox DAC"). False at the first that fails.
    bool CreateServices() override;
    // The computer's start, then the common start steps: the machine becomes the interrupt service's request
    // source with every line idle, and the bus-error hooks serve the unmapped pages. The model maps its memory
    // around it.
    bool Start(int32_t& rate) override;
    // The device-side reset: the machine's devices.
    bool Reset(bool enabledOnly) override { return ResetDevices(enabledOnly); }
    // Resets the children as a plain node does (only the enabled ones with enabledOnly); true when all answered
    // true. The BK-0011M checks its own settings too.
    virtual bool ResetDevices(bool enabledOnly);
    // "BreakBinStart" and the system register's trace and break keys ("TraceWriteSysReg[0]" ..
    // "BreakReadSysReg[9]"), then the devices'.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The break options get "Break On BIN Start" on the models that load BIN files (a BIN hook page).
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    // After the computer's "_MCH": "VER", "MKND", "IRQA" (the 17 lines), "BINS", "CRTL".
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads and checks every record before it takes any; a state of another model is refused.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // The register page (0176000-0177777): a byte (size 1) or word (size 2) read or write, as the machine's register
    // table says. Device registers go to their devices, SYSREG (0177716) is served here, unknown registers and
    // writes below 0177600 raise the bus error; reads of those addresses give the page's stored bytes (the ROM
    // there). Always served.
    bool ReadRegister(uint16_t address, uint32_t size, void* value, bool peek);
    bool WriteRegister(uint16_t address, uint32_t size, const void* value);

    // The request lines, as the interrupt service's source: false for a line above 16. Raising line 12 records
    // the keyboard's AR2 mode in it.
    bool SetLine(uint32_t line, bool on);
    bool IsLineRaised(uint32_t line) const;
    // The line's value (0 idle, 1 raised, -1 line 12 raised for vector 0274); 0 out of range.
    int32_t LineValue(uint32_t line) const;
    int32_t PendingCount() const { return pendingCount; }
    // The processor's query (acknowledge false: is there an interrupt to take now?) and acknowledgement of the
    // one it took: the winning line, vector number and vector address.
    bool Arbitrate(bool acknowledge, uint32_t& line, uint32_t& vectorNumber, uint32_t& vectorAddress);

    // SYSREG bit 5 reads the tape input, noise without a tape: half of all reads, drawn from the processor's cycle
    // count so that a run repeats and a loaded state goes on alike. Tests may replace it (null restores it).
    void SetTapeNoise(TapeNoise noise);

    // The model's ROM images (RomSet) into the memory the model's start created, with their pages made read-only;
    // the loader prints an "[INIT]" or "[ERROR]" line for each. An optional image that is missing leaves NOP, RTS
    // PC (000240, 000207) at its entry or its pages absent. False for a model without a ROM set, a required image
    // missing or of a refused size, or a page that is not in the map.
    bool LoadRomSet();
    // The model's ROM images; none for the bare family.
    virtual BkRomSet RomSet() const { return {}; }

    // The page whose first two words start a BIN file mounted in the first cartridge slot (40 on the tape models,
    // 56 on the BK-0011M), or -1 for a model without a BIN slot.
    virtual int32_t BinHookPage() const { return -1; }
    // Puts the BIN autostart on its page while it has work (step 0 with a file in the slot, or step 1: the jump
    // begun), else gives the page back to the ROM. A start calls it, and so does a state load.
    bool BindBinAutostart();
    // The autostart's read handler, with the machine as context. The first word read of the hook page (step 0)
    // loads the file and answers JMP with a PC-relative operand; the next read of the second word answers the
    // operand, so that the jump lands on the program. Byte reads, peeks and everything else read the ROM.
    static bool OnBinAutostart(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    uint16_t BinStartOperand() const { return binStartAddress; }
    int32_t AutostartStep() const { return autostartStep; }

    Cpu1801BM1* Cpu() const { return cpu; }
    BkVideo* Video() const { return video; }
    BkKeyboard* Keyboard() const { return keyboard; }
    BkSystemTimer* Timer() const { return timer; }
    BkSpeaker* Speaker() const { return speaker; }
    CovoxDac* Covox() const { return covox; }
    BkBiosTracer* BiosTracer() const { return biosTracer; }
    // The floppy controller of a model that has one, else null.
    virtual BkFloppyController* FloppyController() const { return nullptr; }

    // The register page handlers, with the machine as context.
    static bool ReadRegisterPage(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool WriteRegisterPage(void* context, uint32_t address, uint32_t size, const void* buffer);

protected:
    // Fills the register table (AddRegisters) and binds the register page to it; a model calls it once its pages
    // are mapped. False when a row does not fit the page.
    bool MapRegisterPage();
    // The register rows: the family's, traced under the system register's switches; a model calls it and then
    // adds its own rows, which replace the handlers they name. False when a row does not fit the page.
    virtual bool AddRegisters(BkRegisterTable& table);
    // The family's SYSREG write (the speaker and the write flag), traced: for a model's row that takes over only
    // some of the register's writes.
    void WriteSystemRegister(uint16_t address, RegisterAccess access, uint16_t value);
    // A model's own records, after the family's: written after them; on a load read and checked before any of the
    // family's is taken (false refuses the state), and taken after them.
    virtual bool SaveModelState([[maybe_unused]] common::RecordArchive& archive) { return true; }
    virtual bool ReadModelState([[maybe_unused]] common::RecordArchive& archive) { return true; }
    virtual void ApplyModelState() {}
    // The bus error, at the processor's next instruction boundary.
    void RaiseBusError() const;

    uint32_t modelIndex = 0;
    // Made by the models that trace BIOS calls; the device tree owns it.
    BkBiosTracer* biosTracer = nullptr;
    // The BK-0011M's enable of the frame interrupt (line 16).
    bool timerInterruptEnabled = false;
    // BIN autostart: the start address of the injected jump and the step of the autostart routine (0, 1 or -1).
    uint16_t binStartAddress = 0;
    int32_t autostartStep = 0;
    bool breakBinStart = false;
    // Accesses below 0177600 inside the register page (the ROM there): no settings key sets them.
    bool breakReadBelowRegisters = false;
    bool breakWriteBelowRegisters = false;
    // Element 9 of each is the system register's; the BK-0011M's debug menu toggles them whole.
    std::array<bool, 10> traceWriteSysReg{};
    std::array<bool, 10> breakWriteSysReg{};
    std::array<bool, 10> traceReadSysReg{};
    std::array<bool, 10> breakReadSysReg{};

private:
    static constexpr size_t kSysRegFlag = 9;

    // The family's register handlers.
    struct FamilyRegisters;

    // The register page's own answers: SYSREG, the registers that read 0, unknown registers and the ROM below.
    uint16_t ReadSysReg(uint16_t address, bool peek);
    void WriteSysReg(uint16_t address, uint16_t value);
    bool ReadUnhandled(uint16_t address, uint32_t size, void* value, bool peek);
    void WriteUnhandled(uint16_t address, uint32_t size, uint16_t value);
    bool TapeInputHigh() const;

    // The BIN autostart: its two reads, the load of the file, and the slot's activity flags.
    bool ReadBinAutostart(uint32_t address, uint32_t size, void* value, bool peek);
    bool LoadBinFile(DriveSlot& slot, uint32_t hook);
    static void SetBinIndicators(DriveSlot& slot, bool loaded);
    DriveSlot* BinSlot() const;

    // The interrupt service's source callbacks and the memory service's unmapped hooks, with the machine as
    // context.
    static bool AskLines(void* context, InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber,
                         uint32_t* vectorAddress);
    static bool SetLineCallback(void* context, uint32_t line, uint8_t on);
    static bool QueryLine(void* context, uint32_t line);
    static bool UnmappedRead(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek);
    static bool UnmappedWrite(void* context, uint32_t address, uint32_t size, const void* buffer);

    // Adopts a device under its display name and answers it, or null when the tree refused it.
    template <typename DeviceType>
    DeviceType* AddStandardDevice(const char* displayName);

    Cpu1801BM1* cpu = nullptr;
    BkVideo* video = nullptr;
    BkKeyboard* keyboard = nullptr;
    BkSystemTimer* timer = nullptr;
    BkSpeaker* speaker = nullptr;
    CovoxDac* covox = nullptr;
    int32_t pendingCount = 0;
    std::array<int32_t, kLineCount> lines{};
    TapeNoise tapeNoise;
    BkRegisterTable registers;
};

} // namespace emu
