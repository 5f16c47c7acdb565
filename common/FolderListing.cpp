#include "common/FolderListing.h"

#include "common/Paths.h"
#include "common/platform/Folders.h"

#include <numeric>

namespace common {

namespace {

std::vector<uint32_t> Identity(int count) {
    std::vector<uint32_t> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0u);
    return order;
}

// A name as the comparison needs it: upper-cased when case does not count.
WideString Comparable(const String& name, bool ignoreCase) {
    WideString copy;
    copy.Assign(name);
    if (ignoreCase) {
        copy.ToUpper();
    }
    return copy;
}

} // namespace

bool FolderListing::Read(const String& folder, const String& pattern) {
    Clear();
    if (!IsDirectory(folder)) {
        return false;
    }
    Assign(folder);
    if (!ListDirectory(pattern)) {
        Clear();
        return false;
    }
    ResetOrder(true, true);
    return true;
}

bool FolderListing::ListDirectory(const String& pattern) {
    WideString search;
    search.Assign(pattern.IsEmpty() ? static_cast<const String&>(WideString("*")) : pattern);
    bool seenSelf = false;
    bool seenParent = false;
    const bool searched = platform::ListFolder(View(), search.View(), [&](std::u16string_view name, bool isFolder) {
        if (name.empty()) {
            return;
        }
        const WideString entry(std::u16string(name).c_str());
        if (!isFolder) {
            files.Add(entry);
        } else if (name == u"." && !seenSelf) {
            seenSelf = true;
        } else if (name == u".." && !seenParent) {
            seenParent = true;
        } else {
            folders.Add(entry);
        }
    });
    hasParentEntry = seenParent;
    return searched && (hasParentEntry || folders.Count() > 0 || files.Count() > 0);
}

bool FolderListing::FilterBySuffix(const StringList& suffixes, bool ignoreCase, bool, bool filesToo) {
    if (suffixes.Count() == 0 || !filesToo || fileOrder.empty()) {
        return false;
    }
    std::vector<WideString> tails;
    for (int i = 0; i < suffixes.Count(); ++i) {
        tails.push_back(Comparable(*suffixes.At(i), ignoreCase));
    }
    size_t kept = 0;
    for (const uint32_t index : fileOrder) {
        const WideString name = Comparable(*files.At(static_cast<int>(index)), ignoreCase);
        for (const WideString& tail : tails) {
            if (name.TailEquals(tail, tail.Length())) {
                fileOrder[kept++] = index;
                break;
            }
        }
    }
    fileOrder.resize(kept);
    return kept > 0;
}

bool FolderListing::GetEntry(uint32_t index, String& name, bool& isFolder) const {
    if (hasParentEntry) {
        if (index == 0) {
            name.Assign("..");
            isFolder = true;
            return true;
        }
        --index;
    }
    const String* found = nullptr;
    if (index < folderOrder.size()) {
        found = folders.At(static_cast<int>(folderOrder[index]));
        isFolder = true;
    } else if (index - folderOrder.size() < fileOrder.size()) {
        found = files.At(static_cast<int>(fileOrder[index - folderOrder.size()]));
        isFolder = false;
    }
    if (found == nullptr) {
        return false;
    }
    name.Assign(*found);
    return true;
}

void FolderListing::ResetOrder(bool foldersToo, bool filesToo) {
    if (foldersToo) {
        folderOrder = Identity(folders.Count());
    }
    if (filesToo) {
        fileOrder = Identity(files.Count());
    }
}

void FolderListing::Clear() {
    folders.Clear();
    files.Clear();
    PathString::Clear();
    folderOrder.clear();
    fileOrder.clear();
}

} // namespace common
