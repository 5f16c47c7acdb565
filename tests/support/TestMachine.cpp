#include "support/TestMachine.h"

#include "emu/core/BusService.h"
#include "emu/core/MemoryMap.h"

namespace test_support {

TestMachine::TestMachine(const char* name, uint32_t romFirstPage, uint32_t romPageCount)
    : Computer(name), romFirstPage(romFirstPage), romPageCount(romPageCount) {
    CreateServices();
}

bool TestMachine::Start(int32_t& rate) {
    return Memory()->Create(kMemorySize, kAddressMask, 0) && Computer::Start(rate) &&
           Memory()->SetPageMapping(emu::MemoryMap::Access::ReadOnly, romFirstPage, romPageCount);
}

bool TestMachine::PowerOn() {
    Bus()->SetRegistering(true);
    int32_t rate = 0;
    const bool started = Start(rate);
    Bus()->SetRegistering(false);
    return started;
}

} // namespace test_support
