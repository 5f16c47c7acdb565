// Path splitting and the small file operations every subsystem uses. A path that names a folder ends with the
// separator; splitting accepts both '\' and '/'. None of the splitting functions touches the file system.
#pragma once

#include "common/PathString.h"

#include <cstdint>

namespace common {

// The text after the last separator; the whole path when it has none.
PathString GetFileName(const String& path);

// The text after the last '.' of the last component; empty when there is none or the path ends with it.
PathString GetExtension(const String& path);

// The path without and the text after the last '.' of its last component; with no '.' there the base is the
// whole path and the extension is empty.
void SplitExtension(const String& path, PathString& base, PathString& extension);

// With a negative index the folder part (up to and including the last separator, the whole path when it has
// none); otherwise that component, counted from 0. Empty for a component that is empty or does not exist.
PathString GetPathPart(const String& path, int32_t index);

// Whether the file opens for reading; false for an empty name. A narrow name widens byte by byte.
bool FileExists(const String& name);

bool IsDirectory(const String& path);

// Creates the last level of the path; true also when the folder exists already.
bool CreateDirectoryPath(const String& path);

// True when nothing is at the path afterwards (also when nothing was); false while anything is still there.
bool DeleteFileAt(const String& path);

// Renames the file at source to target in one step, replacing a file at target.
bool ReplaceFileWith(const String& source, const String& target);

} // namespace common
