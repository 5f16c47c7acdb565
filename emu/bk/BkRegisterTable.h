#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace emu {

class BkMachine;

// How an access reaches a register: its even byte, its odd byte or the whole word (always at the even address).
enum class RegisterAccess : uint32_t { EvenByte = 0, OddByte = 1, Word = 2 };

// The access of size bytes (1 or 2) at the address.
constexpr RegisterAccess AccessOf(uint16_t address, uint32_t size) {
    return size == 2 ? RegisterAccess::Word : (address & 1u) != 0 ? RegisterAccess::OddByte : RegisterAccess::EvenByte;
}

constexpr bool IsByte(RegisterAccess access) {
    return access != RegisterAccess::Word;
}

// The value an access carries: a byte or a word.
inline uint16_t AccessValue(uint32_t size, const void* value) {
    if (size == 1) {
        return *static_cast<const uint8_t*>(value);
    }
    uint16_t word = 0;
    std::memcpy(&word, value, sizeof word);
    return word;
}

// Stores a read's value as a byte or a word.
inline void StoreValue(uint32_t size, void* value, uint16_t result) {
    if (size == 1) {
        *static_cast<uint8_t*>(value) = static_cast<uint8_t>(result);
    } else {
        std::memcpy(value, &result, sizeof result);
    }
}

// The system register SYSREG (0177716), which the whole family shares: the processor's SEL1 register with the
// write flag (bit 2) the machine keeps, and bit 6 reading a held key as 0.
inline constexpr uint16_t kSysReg = 0177716;
inline constexpr uint16_t kSysRegWriteFlag = 04;
inline constexpr uint16_t kSysRegKeyUp = 0100;

// A register's handlers. A read answers the register's value (a byte access its byte in the low bits); a write
// gets the byte or the word written. Both are given the access's own address (a word access the even one).
using RegisterRead = uint16_t (*)(BkMachine& machine, uint16_t address, RegisterAccess access, bool peek);
using RegisterWrite = void (*)(BkMachine& machine, uint16_t address, RegisterAccess access, uint16_t value);

// One row of a register table: the bytes from address on answered by read and write. A missing handler leaves
// those accesses to the page itself: a read gets the page's stored bytes, a write the bus error.
struct BkRegister {
    uint16_t address = 0;
    uint16_t bytes = 2;
    RegisterRead read = nullptr;
    RegisterWrite write = nullptr;
};

// The register page 0176000-0177777 of one machine: which handlers answer each byte address. The family puts its
// rows in first; a model's row then replaces the handlers it names on its addresses and keeps the others, so that
// a model may take over only the writes of a register. A word access is looked up at its even address.
class BkRegisterTable {
public:
    static constexpr uint16_t kFirstAddress = 0176000;
    static constexpr uint32_t kPageBytes = 02000;

    struct Handlers {
        RegisterRead read = nullptr;
        RegisterWrite write = nullptr;
    };

    // Forgets every row.
    void Clear() { handlers.fill({}); }
    // False, and the table unchanged, for a row of no bytes or one that leaves the page.
    bool Add(const BkRegister& row);
    bool Add(std::initializer_list<BkRegister> rows);

    const Handlers& At(uint16_t address) const { return handlers[address & (kPageBytes - 1)]; }

private:
    static bool Fits(const BkRegister& row);

    std::array<Handlers, kPageBytes> handlers{};
};

} // namespace emu
