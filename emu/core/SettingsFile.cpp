#include "emu/core/SettingsFile.h"

#include "common/FileStream.h"
#include "common/MemoryStream.h"
#include "common/Paths.h"
#include "common/SettingsTree.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>

namespace emu {
namespace {

constexpr int32_t kTemporaryNameAttempts = 100;
std::atomic<int32_t> temporaryNameAttempts = kTemporaryNameAttempts;

// Creates a temporary file of its own beside path (never one another saver uses at the same time), writes the
// content and hands it to the disk, so that the rename never puts a file that is not whole in place.
bool WriteTemporary(const common::String& path, common::MemoryStream& content, common::PathString& temporary) {
    std::random_device random;
    common::FileStream file;
    const int32_t attempts = temporaryNameAttempts.load();
    for (int32_t attempt = 0; attempt < attempts && !file.IsOpen(); ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temporary.Assign(path);
        temporary.Append(suffix);
        file.Create(temporary, false);
    }
    if (!file.IsOpen()) {
        temporary.Clear();
        return false;
    }
    const bool written = file.Write(content.GetBuffer(), content.Size()) == content.Size() && file.Flush();
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

void SetTemporaryNameAttempts(int32_t attempts) {
    temporaryNameAttempts = attempts < 0 ? kTemporaryNameAttempts : attempts;
}

bool ReplaceFileContent(const common::String& path, common::MemoryStream& content) {
    if (path.IsEmpty()) {
        return false;
    }
    common::PathString temporary;
    if (WriteTemporary(path, content, temporary) && common::ReplaceFileWith(temporary, path)) {
        return true;
    }
    if (!temporary.IsEmpty()) {
        common::DeleteFileAt(temporary);
    }
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
