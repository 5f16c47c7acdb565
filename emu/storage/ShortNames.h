// 8.3 names for host names, made the same way on every host: the FAT basis-name rules with numeric tails.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

// Eight name and three extension characters, blank-padded, as a directory entry holds them.
using ShortName = std::array<char, 11>;

// The basis of a host name: upper case, characters a short name cannot hold as '_', blanks and leading dots
// dropped, the name up to its first dot and the extension after its last dot cut to 8 and 3. exact tells whether
// the basis gives the name back (but for case) and is no DOS device name.
ShortName ShortNameBasis(std::u16string_view name, bool& exact);

// The short names of one folder's entries, all different: exact bases keep their form, the others (and exact
// ones already taken) get the first free "~N" tail.
std::vector<ShortName> MakeShortNames(const std::vector<std::u16string_view>& names);

// The name as a directory listing shows it: "NAME.EXT", or "NAME" without an extension.
std::string ShortNameText(const ShortName& name);

} // namespace emu
