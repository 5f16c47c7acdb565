// The machine's settings files: a settings key tree behind the magic "ZOVINI". A file is written whole or not at
// all, and read only when it is whole.
#pragma once

#include <cstdint>

namespace common {
class MemoryStream;
class SettingsTree;
class String;
} // namespace common

namespace emu {

inline constexpr const char* kSettingsFileMagic = "ZOVINI";

// Writes the content into a file beside path and renames it over the file at path, so a failure at any step leaves
// the old file as it was.
bool ReplaceFileContent(const common::String& path, common::MemoryStream& content);
// How many temporary names a replace tries before it fails (negative: the default); tests set 0 to make every
// replace fail at its first step.
void SetTemporaryNameAttempts(int32_t attempts);
// Saves the tree into memory, writes that beside the file and renames it over the file, so a failure at any step
// leaves the old file as it was.
bool SaveSettingsFile(const common::String& path, const common::SettingsTree& tree);
// Loads the file into the tree's bindings and handlers. A file that does not open, lacks the magic or is not one
// whole key tree is refused before anything is stored.
bool LoadSettingsFile(const common::String& path, common::SettingsTree& tree);

} // namespace emu
