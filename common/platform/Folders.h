// Where the program lives, the host's data folders, and folder and file operations on 16-bit paths.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace common::platform {

// The full path of the program file; empty when the host does not tell.
std::u16string ProgramFilePath();

// The per-machine application-data folder (on Windows the common one, then the local and the roaming one; on
// other hosts the user's data folder), without a trailing separator; empty when there is none.
std::u16string ApplicationDataFolder();

// Whether anything (file or folder) is at the path, whether or not it can be opened.
bool PathExists(std::u16string_view path);

// Creates the last level only; false when it could not be made (also when it exists).
bool MakeFolder(std::u16string_view path);

// False when the host refused, whatever the reason.
bool RemoveFile(std::u16string_view path);

// Renames the file at source to target in one step, replacing a file at target; false when the host refused.
bool RenameReplacing(std::u16string_view source, std::u16string_view target);

// Calls found(name, isFolder) for every entry of the folder whose name matches the pattern ('*' and '?', letters
// in either case), in the order the host gives them, "." and ".." included where the host lists them. False
// when the folder cannot be searched or nothing matches.
bool ListFolder(std::u16string_view folder, std::u16string_view pattern,
                const std::function<void(std::u16string_view name, bool isFolder)>& found);

} // namespace common::platform
