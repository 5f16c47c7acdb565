// The front end's two text tables, English and Russian: every menu caption, button label, dialog text, option
// name and file-type name, by id (0 to 128, 10000 and 10001).
#pragma once

#include "common/TextTable.h"
#include "emu/core/UiTextId.h"

namespace emu {

// The base of the front end's tables; knows no id itself.
class EmulatorTextTable : public common::TextTable {};

class EnglishTextTable : public EmulatorTextTable {
public:
    bool GetText(int32_t id, common::WideString& out) const override;
};

class RussianTextTable : public EmulatorTextTable {
public:
    bool GetText(int32_t id, common::WideString& out) const override;
};

} // namespace emu
