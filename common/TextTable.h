// The user-interface languages: one text table per language (0 English, 1 Russian), the current language, and
// the lookup every menu, dialog, option tree and status line asks for its texts by id.
#pragma once

#include "common/WideString.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace common {

// A table of texts by id. The base knows no id.
class TextTable {
public:
    TextTable() = default;
    virtual ~TextTable() = default;
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;

    // Known id: its text into out, true. Any other id (negative ones too): false, out untouched.
    virtual bool GetText(int32_t id, WideString& out) const;
};

// The registered tables and the current language. The tables never change once registered, and the current
// language is one atomic word, so lookups from any thread take no lock.
class TextRegistry {
public:
    static constexpr int32_t kEnglish = 0;
    static constexpr int32_t kRussian = 1;
    static constexpr int32_t kLanguageCount = 2;

    // Starts in Russian when the primary language of the user's language id is Russian, else in English.
    explicit TextRegistry(uint16_t userLanguageId);
    // Deletes the registered tables.
    ~TextRegistry();
    TextRegistry(const TextRegistry&) = delete;
    TextRegistry& operator=(const TextRegistry&) = delete;

    // The registry the whole program asks: made on first use, starting in the host user's language.
    static TextRegistry& Process();
    static bool IsRussianLanguageId(uint16_t languageId) { return (languageId & 0xFF) == 0x19; }

    // Takes the table when the index is a language, the table is not null and the language has none yet: the
    // first registration wins. False leaves the table with the caller.
    bool Register(int32_t language, TextTable* table);
    // Ignored for an index that is no language or has no table.
    void Select(int32_t language);
    int32_t Current() const { return current.load(); }
    // "English", "Russian"; null when the language has no table or the index is none.
    const char* LanguageName(int32_t language) const;
    // The current language's text; else the fallback when one is given; else the English text; else empty.
    WideString GetText(int32_t id, const char16_t* fallback) const;

private:
    const TextTable* TableOf(int32_t language) const;

    std::atomic<int32_t> current{kEnglish};
    std::array<std::atomic<TextTable*>, kLanguageCount> tables{};
};

// The process registry's operations under their own names.
bool RegisterTextTable(int32_t language, TextTable* table);
void SelectLanguage(int32_t language);
int32_t GetLanguage();
const char* GetLanguageName(int32_t language);
WideString GetText(int32_t id, const char16_t* fallback = nullptr);
bool IsSystemLanguageRussian();

} // namespace common
