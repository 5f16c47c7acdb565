#include "emu/cpu/ProcessorStatus.h"

#include <array>

namespace emu {

common::NarrowString PswFlagsText(uint16_t psw) {
    struct Flag {
        uint16_t bit;
        char letter;
    };
    static constexpr std::array<Flag, 5> flags = {
        {{kPswTrace, 'T'}, {kPswNegative, 'S'}, {kPswZero, 'Z'}, {kPswOverflow, 'V'}, {kPswCarry, 'C'}}};
    char text[flags.size() + 1] = {};
    for (size_t i = 0; i < flags.size(); ++i) {
        text[i] = (psw & flags[i].bit) != 0 ? flags[i].letter : '-';
    }
    return common::NarrowString(text);
}

} // namespace emu
