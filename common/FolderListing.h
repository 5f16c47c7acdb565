// A folder path together with the listing of that folder: its sub-folders and files in the order the host
// enumerated them, whether the host listed a parent entry (".."), and a presentation order of each that a filter
// can narrow. Entries are numbered: ".." first when there is one, then the folders, then the files.
#pragma once

#include "common/PathString.h"
#include "common/StringList.h"

#include <cstdint>
#include <vector>

namespace common {

class FolderListing : public PathString {
public:
    // Lists the folder (which ends with the separator) with the pattern ('*' and '?'; empty for every entry).
    // False, leaving the listing empty, when the folder does not exist or nothing is found.
    bool Read(const String& folder, const String& pattern);
    // Lists this listing's own folder again with the pattern, adding to what is there.
    bool ListDirectory(const String& pattern);
    // Keeps in the file order only the names that end with one of the suffixes (letters in either case when
    // ignoreCase is set; an empty suffix keeps every name). Folders are never filtered. False when no suffix is
    // given, files is clear, there are no files or none is kept.
    bool FilterBySuffix(const StringList& suffixes, bool ignoreCase, bool folders, bool files);
    // The entry with that number and whether it is a folder; false past the last entry.
    bool GetEntry(uint32_t index, String& name, bool& isFolder) const;
    // Shows every folder or file again, in enumeration order.
    void ResetOrder(bool folders, bool files);
    // Empties the listing and its path (also when cleared as a string); the parent flag stays until the next
    // listing.
    void Clear() override;

    const StringList& Folders() const { return folders; }
    const StringList& Files() const { return files; }
    bool HasParentEntry() const { return hasParentEntry; }
    uint32_t FolderCount() const { return static_cast<uint32_t>(folderOrder.size()); }
    uint32_t FileCount() const { return static_cast<uint32_t>(fileOrder.size()); }

private:
    StringList folders;
    StringList files;
    bool hasParentEntry = false;
    std::vector<uint32_t> folderOrder;
    std::vector<uint32_t> fileOrder;
};

} // namespace common
