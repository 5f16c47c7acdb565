#include "emu/bk/BkBiosTracer.h"

#include "common/NarrowString.h"
#include "common/OptionNode.h"
#include "common/SettingsTree.h"
#include "emu/core/CpuInterface.h"
#include "emu/cpu/Cpu1801BM1.h"

namespace emu {

namespace {

constexpr uint32_t kVideoCodeEmt = 016;
constexpr uint32_t kTapeEmt = 036;
// Codes without a name up to this one are control codes.
constexpr uint8_t kLastControlCode = 020;

constexpr BkBiosTracer::Call kBk0010Calls[] = {
    {004, "Init Keyboard Driver"},
    {006, "Read Keycode From Keyboard (To Reg)"},
    {010, "Read String From Keyboard (To Addr)"},
    {012, "Set Keyboard Keys"},
    {014, "Init ROM Drivers"},
    {016, "Send Code to Video Driver"},
    {020, "Print String on Screen"},
    {022, "Write Symbol To Status String"},
    {024, "Set Cursor Position"},
    {026, "Get Cursor Position"},
    {030, "Put Pixel"},
    {032, "Draw Line"},
    {034, "Get Status of Video Driver"},
    {036, "Tape Recorder Services"},
    {040, "Init Serial Line Driver"},
    {042, "Send Byte to Line"},
    {044, "Receive Byte from Serial Line"},
    {046, "Send Array to Serial Line"},
    {050, "Receive Array from Serial Line"},
    {-1, nullptr},
};

constexpr int32_t kBk0010Keyboard[] = {004, 006, 010, 012};
constexpr int32_t kBk0010Video[] = {016, 020, 022, 024, 026, 030, 032, 034};
constexpr int32_t kBk0010Serial[] = {040, 042, 044, 046, 050};
constexpr int32_t kBk0010Tape[] = {036};
constexpr int32_t kBk0010Other[] = {014, BkBiosTracer::kUnknown};

constexpr BkBiosTracer::Group kBk0010Groups[] = {
    {"Trace Keyboard", "Break On Keyboard", kBk0010Keyboard},
    {"Trace Video", "Break On Video", kBk0010Video},
    {"Trace Serial Line", "Break On Serial Line", kBk0010Serial},
    {"Trace Tape Recorder", "Break On Tape Recorder", kBk0010Tape},
    {"Trace Other", "Break On Other", kBk0010Other},
};

constexpr BkBiosTracer::Call kBosCalls[] = {
    {000, "Init BOS/BIOS (.BINIT)"},
    {001, "Break To Keyboard Monitor (.BEXIT)"},
    {002, "Capture Vector 4 (.BTRPS)"},
    {003, "Timer Services (.BTIM)"},
    {004, "EMT Management (.BEMT)"},
    {010, "Read Memory State (.BMEM)"},
    {011, "Read Memory Pages State (.BTEST)"},
    {012, "Switch Memory Pages (.BPAGE)"},
    {013, "Set/Get Active Memory Page (.BWORK)"},
    {014, "Read Word from Active Memory Page (.BGETW)"},
    {015, "Read Byte from Active Memory Page (.BGETB)"},
    {016, "Write Word to Active Memory Page (.BPUTW)"},
    {017, "Write Byte to Active Memory Page (.BPUTB)"},
    {020, "Transfer Word Array (.BMOVE)"},
    {021, "Transfer Byte Array (.BMOVB)"},
    {023, "Jump To Active Memory Page w/o Return (.BJMP)"},
    {030, "Init Keyboard Driver (.BKINI)"},
    {031, "Set Keyboard Driver Mode (.BKSET)"},
    {032, "Get Keyboard Driver Mode (.BKGET)"},
    {033, "Input Symbol with Waiting (.BTTIN)"},
    {034, "Input Symbol w/o Waiting (.BINKEY)"},
    {035, "Input String with Editing (.BGLIN)"},
    {036, "Edit Existing String (.BEDIT)"},
    {037, "Reset Keyboard Buffer (.BKRES)"},
    {040, "Set Functional Keys (.BSFUN)"},
    {041, "Get Functional Keys (.BGFUN)"},
    {050, "Init Video Driver (.BTINI)"},
    {051, "Set Video Driver Mode (.BTSET)"},
    {052, "Get Video Driver Mode (.BTGET)"},
    {053, "Set Colors (.BSCOL)"},
    {054, "Get Colors (.BGCOL)"},
    {055, "Set/Get Current Palette (.BGPAL)"},
    {056, "Swap Video Buffers (.BBUF)"},
    {057, "Set Text Cursor Position (.BSPOS)"},
    {060, "Get Text Cursor Position (.BGPOS)"},
    {061, "Scroll Screen (.BSCRL)"},
    {062, "Clear Screen (.BCLS)"},
    {063, "Put Char (.BTOUT)"},
    {064, "Put RT-11 String (.BPRIN)"},
    {065, "Put String (.BSTR)"},
    {066, "Set Graph Cursor Position (.BSGRF)"},
    {067, "Get Graph Cursor Position (.BGGRF)"},
    {070, "Set Graph Color (.BSCGR)"},
    {071, "Get Graph Color (.BGCGR)"},
    {072, "Set/Get Drawing Mode (.BGMOD)"},
    {073, "Put Pixel (.BSPNT)"},
    {074, "Get Pixel (.BGPNT)"},
    {075, "Draw Line (.BVECT)"},
    {076, "Draw Filled Rectangle (.BRECT)"},
    {077, "Draw Arc/Circle (.BCIRC)"},
    {0100, "Fill Area (.BFILL)"},
    {0101, "Make Sound (.BSOUN)"},
    {0102, "Set Graph Window (.BSWIN)"},
    {0103, "Get Graph Window (.BGWIN)"},
    {0105, "Set Line Type (.BSTYP)"},
    {0106, "Get Line Type (.BGTYP)"},
    {0107, "Get Graph Symbol Orientation (.BGOSET)"},
    {0110, "Draw Graph Symbol (.BGOUT)"},
    {0114, "Tape Recorder Motor On/Off (.BMOT)"},
    {0115, "BK-0010 Tape Recorder Services (.BMB10)"},
    {0124, "Init Printer Driver (.BPINI)"},
    {0125, "Set Printer Mode (.BPSET)"},
    {0126, "Get Printer Mode (.BPGET)"},
    {0127, "Type Symbol on Printer (.BPOUT)"},
    {0130, "Get Printer Ready State (.BPRDY)"},
    {0131, "Get Printer Head Position (.BPPOS)"},
    {-1, nullptr},
};

constexpr int32_t kBosSystem[] = {000, 001, 002, 003, 004, 0101};
constexpr int32_t kBosMemory[] = {010, 011, 012, 013, 014, 015, 016, 017, 020, 021, 023};
constexpr int32_t kBosKeyboard[] = {030, 031, 032, 033, 034, 035, 036, 037, 040, 041};
constexpr int32_t kBosVideo[] = {050, 051, 052, 053, 054, 055, 056, 057, 060,  061,  062,  063,  064,  065,  066, 067,
                                 070, 071, 072, 073, 074, 075, 076, 077, 0100, 0102, 0103, 0105, 0106, 0107, 0110};
constexpr int32_t kBosPrinter[] = {0124, 0125, 0126, 0127, 0130, 0131};
constexpr int32_t kBosTape[] = {0114, 0115};
constexpr int32_t kBosOther[] = {BkBiosTracer::kUnknown};

constexpr BkBiosTracer::Group kBosGroups[] = {
    {"Trace System", "Break On System", kBosSystem},       {"Trace Memory", "Break On Memory", kBosMemory},
    {"Trace Keyboard", "Break On Keyboard", kBosKeyboard}, {"Trace Video", "Break On Video", kBosVideo},
    {"Trace Printer", "Break On Printer", kBosPrinter},    {"Trace Tape Recorder", "Break On Tape Recorder", kBosTape},
    {"Trace Other", "Break On Other", kBosOther},
};

struct VideoCode {
    uint8_t code;
    const char* name;
};

constexpr VideoCode kVideoCodes[] = {
    {0003, "EOT - end of text symbol"},
    {0007, "BEEP - short sound symbol"},
    {0012, "ENTER - start new line"},
    {0014, "CLEAR - clear screen, move cursor to left-top"},
    {0202, "On/off control codes visibility"},
    {0204, "Enable/disable control codes processing"},
    {0214, "16Kb/4Kb video RAM, normal/extended main RAM"},
    {0221, "Set color: Red"},
    {0222, "Set color: Blue"},
    {0223, "Set color: Green"},
    {0224, "Set color: Black"},
    {0225, "Text/Graph drawing mode"},
    {0226, "On/off drawing pixels by graph cursor"},
    {0227, "On/off erasing pixels by graph cursor"},
    {0232, "On/off text cursor"},
    {0233, "32/64 symbols per line"},
    {0234, "On/off symbol inversion mode"},
    {0235, "On/off screen inversion"},
    {0236, "Update indication mode, clear service string"},
    {0237, "On/off symbol underline mode"},
};

// The name of every code, made once.
constexpr std::array<const char*, 256> MakeVideoCodeNames() {
    std::array<const char*, 256> table{};
    for (size_t code = 0; code < table.size(); ++code) {
        table[code] = code <= kLastControlCode ? "unknown" : "alpha-num";
    }
    for (const VideoCode& named : kVideoCodes) {
        table[named.code] = named.name;
    }
    return table;
}

constexpr std::array<const char*, 256> kVideoCodeNames = MakeVideoCodeNames();

} // namespace

// ---- Tracer base

BkBiosTracer::BkBiosTracer(std::span<const Call> calls, std::span<const Group> groups)
    : Device("BIOS BK", "BIOS"), groups(groups) {
    for (const Call& call : calls) {
        if (call.number < 0) {
            break;
        }
        names[static_cast<size_t>(call.number)] = call.name;
    }
}

BkBiosTracer::~BkBiosTracer() = default;

uint32_t BkBiosTracer::ServeTapeEmt(CpuInterface*, uint64_t*) {
    return 0;
}

bool BkBiosTracer::Start(int32_t& rate) {
    return Device::Start(rate) && Params().Remove("EMT") &&
           Params().AddVectorRangeBValues("EMT", true, kEmtTrap, 1, OnEmt);
}

bool BkBiosTracer::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        for (const auto& [prefix, flags] : {std::pair<const char*, bool*>{"TraceEMT", traceFlags.data()},
                                            std::pair<const char*, bool*>{"BreakEMT", breakFlags.data()}}) {
            for (int32_t index = 0; index < kFlags; ++index) {
                common::NarrowString key;
                key.Format("%s[%ld]", prefix, index);
                settings->BindBool(key, &flags[index]);
            }
        }
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

bool BkBiosTracer::OnEmt(void* context, uint32_t kind, uint32_t code, uint32_t, CpuInterface* cpu, uint64_t* cycles) {
    return static_cast<BkBiosTracer*>(context)->TraceEmt(kind, code, cpu, cycles) != 0;
}

// Constant time: a look-up in the name table and in each flag table; nothing is formatted unless the line shows.
uint32_t BkBiosTracer::TraceEmt(uint32_t kind, uint32_t code, CpuInterface* cpu, uint64_t* cycles) {
    if (kind != kEmtTrap || cpu == nullptr) {
        return 0;
    }
    code &= 0377;
    if (!IsBos() && code == kVideoCodeEmt) {
        const auto* processor = dynamic_cast<const Cpu1801BM1*>(cpu);
        const auto videoCode = static_cast<uint8_t>(processor != nullptr ? processor->Register(0) : 0);
        return TraceEventBreak(traceFlags[code], breakFlags[code], false,
                               "EMT %.3o - Send Code to Video Driver (R0=%o, %s)", code, videoCode,
                               kVideoCodeNames[videoCode]);
    }
    const char* name = names[code];
    const size_t index = name != nullptr ? code : kUnknown;
    if (TraceEventBreak(traceFlags[index], breakFlags[index], false, "EMT %.3o - %s", code,
                        name != nullptr ? name : "(unknown)") != 0) {
        return 1;
    }
    return code == kTapeEmt ? ServeTapeEmt(cpu, cycles) : 0;
}

// ---- Menu

void BkBiosTracer::AddGroup(common::OptionNode* item, const char* title, std::span<const int32_t> numbers, bool* flags,
                            const char* setText) {
    common::OptionNode* group = item->AddItem(common::NarrowString(title));
    if (group == nullptr) {
        return;
    }
    item->AddCheckedLink(group, true);
    for (const int32_t number : numbers) {
        common::NarrowString label;
        if (number == kUnknown) {
            label.Assign("(unknown)");
        } else {
            label.Format("EMT %.3o  -  %s", number, names[static_cast<size_t>(number)]);
        }
        if (common::OptionNode* check = group->AddToggleItem(label, &flags[number], true, nullptr, false)) {
            group->AddCheckedLink(check, true);
        }
    }
    group->AddSeparator();
    for (const auto& [text, value] : {std::pair<const char*, bool>{setText, true}, {"Clear All", false}}) {
        if (common::OptionNode* button = group->AddItem(common::NarrowString(text))) {
            for (const int32_t number : numbers) {
                button->AddActionSetByte(&flags[number], value);
            }
        }
    }
}

void BkBiosTracer::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    Device::FillSettingsTree(item, kind);
    if (item == nullptr || kind != OptionKind::Trace) {
        return;
    }
    const auto button = [item](const char* text, std::initializer_list<bool*> tables, bool value) {
        if (common::OptionNode* added = item->AddItem(common::NarrowString(text))) {
            for (bool* table : tables) {
                added->AddActionSetBytes(table, value, kFlags);
            }
        }
    };
    for (const Group& group : groups) {
        AddGroup(item, group.traceTitle, group.numbers, traceFlags.data(), "Trace All");
    }
    button("Trace All", {traceFlags.data()}, true);
    item->AddSeparator();
    for (const Group& group : groups) {
        AddGroup(item, group.breakTitle, group.numbers, breakFlags.data(), "Break On All");
    }
    button("Break On All", {breakFlags.data()}, true);
    item->AddSeparator();
    button("Select All", {traceFlags.data(), breakFlags.data()}, true);
    button("Clear All", {traceFlags.data(), breakFlags.data()}, false);
}

// ---- Variants

Bk0010BiosTracer::Bk0010BiosTracer() : BkBiosTracer(kBk0010Calls, kBk0010Groups) {}

Bk0010BiosTracer::~Bk0010BiosTracer() = default;

const char* Bk0010BiosTracer::VideoCodeName(uint8_t code) {
    return kVideoCodeNames[code];
}

Bk0011mBosTracer::Bk0011mBosTracer() : BkBiosTracer(kBosCalls, kBosGroups) {}

Bk0011mBosTracer::~Bk0011mBosTracer() = default;

} // namespace emu
