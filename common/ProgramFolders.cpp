#include "common/ProgramFolders.h"

#include "common/Paths.h"
#include "common/platform/Folders.h"

#include <algorithm>

namespace common {

namespace {

bool EndsWithEitherSeparator(const String& path) {
    const char16_t last = path.WideCharAt(path.Length() - 1);
    return last == u'\\' || last == u'/';
}

// Whether the second component of the folder reads "Program Files" (or "Program Files (x86)").
bool IsUnderProgramFiles(const PathString& programFolder) {
    NarrowString component;
    component.Assign(GetPathPart(programFolder, 1));
    component.ToUpper();
    component.Erase(13, component.Length());
    return component.Compare("PROGRAM FILES") == 0;
}

} // namespace

ProgramFolders::ProgramFolders(std::u16string_view programPath, std::u16string_view appDataPath) : separator("\\") {
    const PathString path(std::u16string(programPath).c_str());
    const int lastSeparator = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
    if (!path.IsEmpty()) {
        // The folder part keeps the separator the host wrote; the name loses its extension.
        if (lastSeparator >= 0) {
            separator.Assign(*path.Substr(lastSeparator, 1));
            programFolder.Assign(*path.Substr(0, lastSeparator + 1));
        }
        PathString extension;
        SplitExtension(GetFileName(path), programName, extension);
    }

    appDataFolder.Assign(std::u16string(appDataPath).c_str());
    if (!appDataFolder.IsEmpty() && !appDataFolder.TailEquals(separator, 1)) {
        appDataFolder.Append(separator);
    }

    settingsBase = IsUnderProgramFiles(programFolder) ? appDataFolder : programFolder;
}

const ProgramFolders& ProgramFolders::Host() {
    static const ProgramFolders host(platform::ProgramFilePath(), platform::ApplicationDataFolder());
    return host;
}

PathString ProgramFolders::DataFolderUnder(const PathString& base, const String& folderName, bool create) const {
    const String& name = folderName.IsEmpty() ? static_cast<const String&>(programName) : folderName;
    if (name.IsEmpty()) {
        return programFolder;
    }
    const PathString folder = ComposeFilePath(base, name, PathString(), PathString());
    if (create && !IsDirectory(folder) && !CreateDirectoryPath(folder)) {
        return programFolder;
    }
    return folder;
}

PathString ProgramFolders::GetDataFolder(const String& folderName, bool create) const {
    if (settingsBase.IsEmpty() || settingsBase.Compare(programFolder) == 0) {
        return programFolder;
    }
    return DataFolderUnder(settingsBase, folderName, create);
}

PathString ProgramFolders::GetAppDataFolder(const String& folderName, bool create) const {
    if (appDataFolder.IsEmpty()) {
        return programFolder;
    }
    return DataFolderUnder(appDataFolder, folderName, create);
}

bool ProgramFolders::SetProgramFolder(PathString& folder, const String& newProgramName, bool create) {
    if (create && folder.IsEmpty()) {
        return false;
    }
    if (!folder.IsEmpty()) {
        if (!EndsWithEitherSeparator(folder)) {
            folder.Append(separator);
        }
        if (create && !IsDirectory(folder) && !CreateDirectoryPath(folder)) {
            return false;
        }
        programFolder = folder;
    }
    if (!newProgramName.IsEmpty()) {
        programName.Assign(newProgramName);
    }
    return true;
}

PathString ProgramFolders::ComposeFilePath(const String& folder, const String& subFolder, const String& name,
                                           const String& extension) const {
    PathString path;
    path.Assign(folder);
    if (!subFolder.IsEmpty()) {
        path.Append(subFolder);
        path.Append(separator);
    }
    path.Append(name);
    if (!extension.IsEmpty()) {
        path.Append(".");
        path.Append(extension);
    }
    return path;
}

bool ProgramFolders::GoUpOneFolder(PathString& path) const {
    if (separator.Length() != 1) {
        return false;
    }
    const char16_t mark = separator.WideCharAt(0);
    const int last = path.ReverseFindWide(mark);
    if (last < 0) {
        return false;
    }
    if (last != path.Length() - 1) {
        path.Erase(last + 1, path.Length());
        return true;
    }
    const int previous = path.ReverseFindWide(mark, last);
    const auto lastFolder = path.Substr(previous + 1, last - previous - 1);
    if (lastFolder->Compare(".") == 0 || lastFolder->Compare("..") == 0) {
        path.Append("..");
        path.Append(separator);
    } else {
        path.Erase(previous + 1, path.Length());
    }
    return true;
}

PathString GetProgramFolder() {
    return ProgramFolders::Host().GetProgramFolder();
}

PathString GetProgramName() {
    return ProgramFolders::Host().GetProgramName();
}

PathString GetPathSeparator() {
    return ProgramFolders::Host().GetPathSeparator();
}

PathString GetDataFolder(const String& folderName, bool create) {
    return ProgramFolders::Host().GetDataFolder(folderName, create);
}

PathString GetAppDataFolder(const String& folderName, bool create) {
    return ProgramFolders::Host().GetAppDataFolder(folderName, create);
}

PathString ComposeFilePath(const String& folder, const String& subFolder, const String& name, const String& extension) {
    return ProgramFolders::Host().ComposeFilePath(folder, subFolder, name, extension);
}

bool GoUpOneFolder(PathString& path) {
    return ProgramFolders::Host().GoUpOneFolder(path);
}

} // namespace common
