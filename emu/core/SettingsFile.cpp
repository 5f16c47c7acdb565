#include "emu/core/SettingsFile.h"

#include "common/FileStream.h"
#include "common/MemoryStream.h"
#include "common/Paths.h"
#include "common/SettingsTree.h"

#include <cstring>

namespace emu {
namespace {

bool WriteWhole(const common::String& path, common::MemoryStream& content) {
    common::FileStream file;
    if (!file.Create(path, true)) {
        return false;
    }
    const bool written = file.Write(content.GetBuffer(), content.Size()) == content.Size();
    file.Close();
    return written;
}

// Whether the stream holds the magic and one whole key tree from where it stands.
bool IsWholeSettingsFile(common::ByteStream& stream) {
    const size_t magicLength = std::strlen(kSettingsFileMagic);
    char magic[8] = {};
    return stream.Read(magic, static_cast<int64_t>(magicLength)) == static_cast<int64_t>(magicLength) &&
           std::memcmp(magic, kSettingsFileMagic, magicLength) == 0 && common::SkipKeyTreeNode(stream);
}

} // namespace

bool ReplaceFileContent(const common::String& path, common::MemoryStream& content) {
    if (path.IsEmpty()) {
        return false;
    }
    common::PathString temporary(path.GetWide());
    temporary.Append(".tmp");
    if (WriteWhole(temporary, content) && common::ReplaceFileWith(temporary, path)) {
        return true;
    }
    common::DeleteFileAt(temporary);
    return false;
}

bool SaveSettingsFile(const common::String& path, const common::SettingsTree& tree) {
    common::MemoryStream content;
    if (path.IsEmpty() || !content.Create(0, -1) || !tree.Save(content, kSettingsFileMagic)) {
        return false;
    }
    return ReplaceFileContent(path, content);
}

bool LoadSettingsFile(const common::String& path, common::SettingsTree& tree) {
    common::FileStream file;
    return file.OpenForReading(path) && IsWholeSettingsFile(file) && file.Seek(0) &&
           tree.Load(file, kSettingsFileMagic);
}

} // namespace emu
