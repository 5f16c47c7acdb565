// Where the program lives and where it keeps its data. The data folder lies under the application-data folder
// when the program is installed under "Program Files" (the second component of its folder, upper-cased and cut
// to 13 characters, reads "PROGRAM FILES"); otherwise the program keeps its data beside itself.
//
// The folders are resolved from the program's path and the host's application-data folder, so the rule can be
// tried with any paths; Host() resolves them once from the platform and never changes afterwards.
#pragma once

#include "common/PathString.h"

#include <string_view>

namespace common {

class ProgramFolders {
public:
    // The program's full path and the application-data folder; either may be empty when the host does not tell.
    ProgramFolders(std::u16string_view programPath, std::u16string_view appDataFolder);

    // The running program's folders, resolved on first use.
    static const ProgramFolders& Host();

    // One character: the one the program's own path uses, "\" when it has none.
    const PathString& GetPathSeparator() const { return separator; }
    // With its trailing separator.
    const PathString& GetProgramFolder() const { return programFolder; }
    // The program's file name without its extension.
    const PathString& GetProgramName() const { return programName; }
    // The application-data folder with its trailing separator, or empty.
    const PathString& GetAppDataBase() const { return appDataFolder; }
    // Where data folders are made: the application-data folder or the program folder.
    const PathString& GetSettingsBase() const { return settingsBase; }

    // The folder for the program's data files: the named sub-folder of the settings base (the program's name
    // when the name is empty), made when create is set, or the program folder when the program keeps its data
    // beside itself or the folder cannot be made.
    PathString GetDataFolder(const String& folderName, bool create) const;
    // The same, always under the application-data folder (the program folder when there is none).
    PathString GetAppDataFolder(const String& folderName, bool create) const;

    // Moves the program (and its name, when one is given) to another folder; the folder gets its trailing
    // separator in place, and is made when create is set. False for an empty folder with create, or a folder
    // that cannot be made. The data folders stay as they are.
    bool SetProgramFolder(PathString& folder, const String& programName, bool create);

    // folder + sub-folder and separator (when given) + name + "." and extension (when given); the folder is
    // taken as given.
    PathString ComposeFilePath(const String& folder, const String& subFolder, const String& name,
                               const String& extension) const;

    // Drops the file name, or the last folder of a path that ends with the separator; a last folder of "." or
    // ".." gets one more "..". Looks for this program's separator only; false (path unchanged) without one.
    bool GoUpOneFolder(PathString& path) const;

private:
    PathString DataFolderUnder(const PathString& base, const String& folderName, bool create) const;

    PathString separator;
    PathString programFolder;
    PathString programName;
    PathString appDataFolder;
    PathString settingsBase;
};

// The same operations on the running program's folders.
PathString GetProgramFolder();
PathString GetProgramName();
PathString GetPathSeparator();
PathString GetDataFolder(const String& folderName, bool create);
PathString GetAppDataFolder(const String& folderName, bool create);
PathString ComposeFilePath(const String& folder, const String& subFolder, const String& name, const String& extension);
bool GoUpOneFolder(PathString& path);

} // namespace common
