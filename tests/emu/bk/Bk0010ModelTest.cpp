#include "emu/bk/Bk0010Machine.h"

#include "common/BasicOptionNode.h"
#include "emu/bk/BkBiosTracer.h"
#include "emu/core/DriveSet.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

struct ModelCase {
    std::unique_ptr<Computer> (*make)();
    const char* name;
    const char* modelId;
    uint32_t index;
};

template <typename Model>
std::unique_ptr<Computer> Make() {
    return std::make_unique<Model>();
}

const ModelCase kModels[] = {
    {&Make<Bk0010Machine>, "BK-0010", "bk_0010", 1},
    {&Make<Bk0010_01Machine>, "BK-0010.01", "bk_10_01", 2},
};

TEST(Bk0010ModelTest, ModelsNameThemselvesAndMakeMachinesOfTheirOwnKind) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.name);
        const std::unique_ptr<Computer> prototype = model.make();
        const std::unique_ptr<Computer> made = prototype->NewInstance();
        ASSERT_NE(made, nullptr);
        for (const Computer* machine : {prototype.get(), made.get()}) {
            const auto* bk = dynamic_cast<const BkMachine*>(machine);
            ASSERT_NE(bk, nullptr);
            EXPECT_EQ(bk->Name().View(), model.name);
            EXPECT_EQ(bk->Tag().View(), "MBOARD");
            EXPECT_STREQ(bk->ModelId(), model.modelId);
            EXPECT_STREQ(bk->FamilyId(), "bk_0010");
            EXPECT_EQ(bk->ModelIndex(), model.index);
            EXPECT_FALSE(bk->UsesSyncFrequency());
        }
        EXPECT_EQ(typeid(*made), typeid(*prototype));
    }
    EXPECT_EQ(BkMachine().NewInstance(), nullptr);
    EXPECT_STREQ(BkMachine().FamilyId(), "bk_001x");
}

TEST(Bk0010ModelTest, TapeModelsHaveOneBinSlotAndTheBk0010DeviceSet) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.name);
        const std::unique_ptr<Computer> prototype = model.make();
        auto* machine = dynamic_cast<BkMachine*>(prototype.get());
        ASSERT_TRUE(machine->CreateServices());

        DriveSet* drives = machine->Drives();
        ASSERT_NE(drives, nullptr);
        EXPECT_EQ(drives->DriveAt(DriveKind::Floppy, 0), nullptr);
        EXPECT_EQ(drives->DriveAt(DriveKind::Cartridge, 1), nullptr);
        const DriveSlot* slot = drives->DriveAt(DriveKind::Cartridge, 0);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->Name().View(), "Binary File");
        EXPECT_EQ(slot->ShortLabel().View(), "BIN:");
        std::vector<std::string> types;
        common::NarrowString extension;
        common::NarrowString description;
        for (int32_t index = 0; slot->GetFileType(index, extension, description); ++index) {
            types.push_back(std::string(extension.View()) + "=" + std::string(description.View()));
        }
        EXPECT_EQ(types, (std::vector<std::string>{"bin=BK Binary Files", "exe=BK Binary Files"}));

        EXPECT_NE(dynamic_cast<Bk0010BiosTracer*>(machine->BiosTracer()), nullptr);
        EXPECT_EQ(machine->BiosTracer()->Name().View(), "BIOS BK");
        EXPECT_EQ(machine->Cpu()->Frequency(), 3000000);
        EXPECT_EQ(machine->Cpu()->StartWord(), 0100000);
        std::vector<std::string> names;
        for (int32_t index = 0; index < machine->ChildCount(); ++index) {
            names.push_back(std::string(machine->ChildAt(index)->Name().View()));
        }
        EXPECT_EQ(names, (std::vector<std::string>{"CPU 1801BM1", "Video Device", "Keyboard", "Timer (undoc)",
                                                   "BK Speaker", "Covox DAC", "BIOS BK"}));
    }
}

TEST(Bk0010ModelTest, BothTapeModelsOfferBreakOnBinStart) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.name);
        const std::unique_ptr<Computer> machine = model.make();
        common::BasicOptionNode debug;
        machine->FillSettingsTree(&debug, OptionKind::Break);
        ASSERT_GE(debug.ChildCount(), 1);
        EXPECT_EQ(std::string(debug.ChildAt(0)->Text().GetNarrow()), "Break On BIN Start");
    }
}

// The two models share their memory size but not their state: the machine's chunk is tagged with the model.
TEST(Bk0010ModelTest, AModelRefusesTheStateOfAnother) {
    test_support::TemporaryFolder roms;
    for (const char16_t* name :
         {u"monit10.rom", u"Focal.rom", u"Basic10first.rom", u"Basic10second.rom", u"Basic10third.rom"}) {
        // BR . everywhere.
        std::string content;
        for (int index = 0; index < 4096; ++index) {
            content += std::string("\xFF\x01", 2);
        }
        roms.WriteFile(name, content);
    }
    const Bk0010Machine bk0010;
    const Bk0010_01Machine bk0010_01;
    test_support::BkModelRun saving(bk0010, roms.Path().u16string());
    test_support::BkModelRun loading(bk0010_01, roms.Path().u16string());
    ASSERT_TRUE(saving.PowerOn());
    ASSERT_TRUE(loading.PowerOn());
    saving.RunFrames(1);
    const test_support::Bytes state = test_support::SavedState(saving.Machine());
    EXPECT_FALSE(test_support::LoadState(loading.Machine(), state));
}

} // namespace
} // namespace emu
