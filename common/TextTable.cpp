#include "common/TextTable.h"

#include "common/platform/HostInfo.h"

namespace common {

bool TextTable::GetText(int32_t, WideString&) const {
    return false;
}

TextRegistry::TextRegistry(uint16_t userLanguageId)
    : current(IsRussianLanguageId(userLanguageId) ? kRussian : kEnglish) {}

TextRegistry::~TextRegistry() {
    for (std::atomic<TextTable*>& table : tables) {
        delete table.exchange(nullptr);
    }
}

TextRegistry& TextRegistry::Process() {
    static TextRegistry registry(platform::QueryUserLanguage());
    return registry;
}

bool TextRegistry::Register(int32_t language, TextTable* table) {
    if (language < 0 || language >= kLanguageCount || table == nullptr) {
        return false;
    }
    TextTable* empty = nullptr;
    return tables[static_cast<size_t>(language)].compare_exchange_strong(empty, table);
}

void TextRegistry::Select(int32_t language) {
    if (TableOf(language) != nullptr) {
        current.store(language);
    }
}

const char* TextRegistry::LanguageName(int32_t language) const {
    if (TableOf(language) == nullptr) {
        return nullptr;
    }
    return language == kEnglish ? "English" : "Russian";
}

const TextTable* TextRegistry::TableOf(int32_t language) const {
    if (language < 0 || language >= kLanguageCount) {
        return nullptr;
    }
    return tables[static_cast<size_t>(language)].load();
}

WideString TextRegistry::GetText(int32_t id, const char16_t* fallback) const {
    const TextTable* english = TableOf(kEnglish);
    const TextTable* table = TableOf(current.load());
    if (table == nullptr) {
        table = english;
    }
    WideString text;
    if (table == nullptr) {
        if (fallback != nullptr) {
            text.Assign(fallback);
        }
        return text;
    }
    if (table->GetText(id, text)) {
        return text;
    }
    if (fallback != nullptr) {
        text.Assign(fallback);
        return text;
    }
    if (english != nullptr && english->GetText(id, text)) {
        return text;
    }
    return WideString();
}

bool RegisterTextTable(int32_t language, TextTable* table) {
    return TextRegistry::Process().Register(language, table);
}

void SelectLanguage(int32_t language) {
    TextRegistry::Process().Select(language);
}

int32_t GetLanguage() {
    return TextRegistry::Process().Current();
}

const char* GetLanguageName(int32_t language) {
    return TextRegistry::Process().LanguageName(language);
}

WideString GetText(int32_t id, const char16_t* fallback) {
    return TextRegistry::Process().GetText(id, fallback);
}

bool IsSystemLanguageRussian() {
    return TextRegistry::IsRussianLanguageId(platform::QueryUserLanguage());
}

} // namespace common
