#include "emu/bk/BkRegisterTable.h"

namespace emu {

bool BkRegisterTable::Fits(const BkRegister& row) {
    const uint32_t end = static_cast<uint32_t>(row.address) + row.bytes;
    return row.bytes != 0 && row.address >= kFirstAddress && end <= kFirstAddress + kPageBytes;
}

bool BkRegisterTable::Add(const BkRegister& row) {
    return Add({row});
}

bool BkRegisterTable::Add(std::initializer_list<BkRegister> rows) {
    for (const BkRegister& row : rows) {
        if (!Fits(row)) {
            return false;
        }
    }
    for (const BkRegister& row : rows) {
        for (uint32_t address = row.address; address < static_cast<uint32_t>(row.address) + row.bytes; ++address) {
            Handlers& slot = handlers[address - kFirstAddress];
            if (row.read != nullptr) {
                slot.read = row.read;
            }
            if (row.write != nullptr) {
                slot.write = row.write;
            }
        }
    }
    return true;
}

} // namespace emu
