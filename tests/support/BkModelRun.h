// A BK model run headless as the emulator core runs it: made by its prototype's NewInstance, finding its ROMs in a
// folder (the real ones in BK_ROM_DIR, or synthetic ones), its frame drawn by the offscreen renderer, its sound
// into the null output, powered on with the bus binding its events by name, run frame by frame with the slice
// runner, typed at with host key events, and read back as text with the monitor's own font.
#pragma once

#include "common/ProgramFolders.h"
#include "emu/bk/BkMachine.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/devices/OffscreenRenderer.h"
#include "support/BkScreenText.h"
#include "support/RecordingConsole.h"
#include "support/SliceRunner.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

class BkModelRun {
public:
    // Host key codes the typing uses.
    static constexpr uint8_t kEnter = 0x0D;
    static constexpr uint8_t kShift = 0xE0;

    // The process's copy of the real ROM images (BK_ROM_DIR); nothing when it is not set.
    static std::optional<std::u16string> RealRomFolder();

    // A new machine of the prototype's model whose ROMs are searched in romFolder; its services and devices
    // built.
    BkModelRun(const emu::Computer& prototype, const std::u16string& romFolder);
    ~BkModelRun();
    BkModelRun(const BkModelRun&) = delete;
    BkModelRun& operator=(const BkModelRun&) = delete;

    // Started as the core powers a machine on, then the slice runner started. False when either fails.
    bool PowerOn();
    // The same with the caller's renderer and sound-output prototype (both outliving the run) in place of the
    // offscreen renderer and the null output; the screen is then read from that renderer's frame.
    bool PowerOn(emu::RendererBase& presenter, emu::HostSoundOutput& output);
    void RunFrames(int64_t count) { runner->RunFrames(count); }
    // Presses and releases a host key (with Shift held when asked), a few frames each, so that the ROM's
    // keyboard routine takes it.
    void Press(uint8_t code, bool shifted = false);
    // Types ASCII text: letters, digits, space, the punctuation of the main keys; '\n' is Enter.
    void Type(std::string_view text);
    // Mounts a file in the BIN slot; false without a slot or when the file does not open.
    bool MountBin(const std::u16string& path);

    // The screen as text, read with the font of the monitor in the machine's memory (the BK-0011M's extended
    // ROM).
    std::vector<std::string> Screen() const;
    bool Shows(std::string_view utf8) const;
    // The whole screen, one row a line, for failure messages; the frame is written as a BMP file named after the
    // test in the temporary folder too.
    std::string Describe(const std::string& name) const;

    emu::BkMachine& Machine() const { return *machine; }
    SliceRunner& Runner() const { return *runner; }
    const emu::OffscreenRenderer& Frame() const { return renderer; }
    // The console lines that begin with prefix.
    std::vector<std::string> Lines(std::string_view prefix);

    RecordingConsole console;

private:
    // Where the BK-0011M's memory holds its extended ROM.
    static constexpr uint32_t kExtendedRom = 0x16000;

    std::optional<BkScreenText> Font() const;

    emu::OffscreenRenderer renderer;
    emu::HostSoundOutput sound;
    // The renderer the machine draws into.
    const emu::RendererBase* frame = &renderer;
    std::unique_ptr<emu::BkMachine> machine;
    std::unique_ptr<SliceRunner> runner;
};

} // namespace test_support
