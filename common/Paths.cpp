#include "common/Paths.h"

#include "common/platform/File.h"
#include "common/platform/Folders.h"

#include <algorithm>

namespace common {

namespace {

// The last '\' or '/', or -1.
int LastSeparator(const String& path) {
    return std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
}

// The '.' that starts the extension of the last component, or -1.
int ExtensionDot(const String& path) {
    const int dot = path.ReverseFind('.');
    return dot > LastSeparator(path) ? dot : -1;
}

PathString Part(const String& path, int pos, int count) {
    PathString part;
    if (count > 0) {
        part.Assign(*path.Substr(pos, count));
    }
    return part;
}

std::u16string_view WideView(const PathString& path) {
    return path.View();
}

} // namespace

PathString GetFileName(const String& path) {
    const int start = LastSeparator(path) + 1;
    return Part(path, start, path.Length() - start);
}

PathString GetExtension(const String& path) {
    const int dot = ExtensionDot(path);
    return dot < 0 ? PathString() : Part(path, dot + 1, path.Length() - dot - 1);
}

void SplitExtension(const String& path, PathString& base, PathString& extension) {
    const int dot = ExtensionDot(path);
    if (dot < 0) {
        base.Assign(path);
        extension.Clear();
        return;
    }
    base = Part(path, 0, dot);
    extension = Part(path, dot + 1, path.Length() - dot - 1);
}

PathString GetPathPart(const String& path, int32_t index) {
    if (index < 0) {
        const int last = LastSeparator(path);
        return Part(path, 0, last < 0 ? path.Length() : last + 1);
    }
    int start = 0;
    for (int32_t component = 0;; ++component) {
        const int slash = path.Find('/', start);
        const int backslash = path.Find('\\', start);
        int end = slash < 0 ? backslash : backslash < 0 ? slash : std::min(slash, backslash);
        if (end < 0) {
            end = path.Length();
        }
        if (component == index) {
            return Part(path, start, end - start);
        }
        if (end >= path.Length()) {
            return PathString();
        }
        start = end + 1;
    }
}

bool FileExists(const String& name) {
    if (name.IsEmpty()) {
        return false;
    }
    platform::File file;
    return file.OpenRegular(WideView(PathString(name.GetWide())), platform::FileMode::ReadOnly);
}

bool IsDirectory(const String& path) {
    return platform::IsFolder(WideView(PathString(path.GetWide())));
}

bool CreateDirectoryPath(const String& path) {
    const PathString wide(path.GetWide());
    return platform::MakeFolder(WideView(wide)) || platform::IsFolder(WideView(wide));
}

bool ReplaceFileWith(const String& source, const String& target) {
    return platform::RenameReplacing(WideView(PathString(source.GetWide())), WideView(PathString(target.GetWide())));
}

bool DeleteFileAt(const String& path) {
    if (path.IsEmpty()) {
        return true;
    }
    const PathString wide(path.GetWide());
    // Judged by what is there, not by whether it opens: a locked file that stays is no success.
    return platform::RemoveFile(WideView(wide)) || !platform::PathExists(WideView(wide));
}

} // namespace common
