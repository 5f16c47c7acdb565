// The front end's two text tables, English and Russian: every menu caption, button label, dialog text, option
// name and file-type name, by id (0 to 128, 10000 and 10001).
#pragma once

#include "common/TextTable.h"

namespace emu {

// Ids the front end asks for by name.
namespace text {
inline constexpr int32_t kLanguage = 0;
inline constexpr int32_t kEmulation = 6;
inline constexpr int32_t kStart = 7;
inline constexpr int32_t kStop = 8;
inline constexpr int32_t kPause = 9;
inline constexpr int32_t kRenderer = 83;
inline constexpr int32_t kReleaseMouseHint = 89;
} // namespace text

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
