#pragma once

#include "common/ByteStream.h"
#include "common/PathString.h"
#include "common/platform/File.h"

namespace common {

// A byte stream over a host file. Only regular files open (never a folder, FIFO or device), Open never truncates, and
// positions and sizes are 64-bit.
class FileStream : public ByteStream {
public:
    FileStream() = default;
    ~FileStream() override = default;

    // Opens an existing file for reading and writing, else for reading only; when it does not exist and
    // createIfMissing is set, creates it empty. Refused while a file is open and for an empty path.
    bool Open(const String& filePath, bool createIfMissing);
    // Opens an existing file for reading only, for callers that never write it (state, settings and ROM files).
    bool OpenForReading(const String& filePath);
    // Creates an empty file for reading and writing; an existing file is replaced only when overwrite is set.
    bool Create(const String& filePath, bool overwrite);
    void Close();
    // Hands what was written to the disk itself; false on a failure, when closed or opened for reading.
    bool Flush();
    // The path the file was opened or created with.
    const PathString& Path() const { return path; }

    bool IsOpen() const override { return file.IsOpen(); }
    bool Growable() const override { return false; }
    bool IsValid() const override { return file.IsOpen(); }
    bool CanRead() const override { return canRead; }
    bool CanWrite() const override { return canWrite; }
    // The file's current length; 0 when closed.
    int64_t Size() const override;
    // Lengthens the file with zero bytes and leaves the position at its end; a file never shrinks.
    bool Resize(int64_t newSize) override;
    // 0 when closed, -1 when the position cannot be read.
    int64_t Tell() const override;
    // Positions past the end are accepted.
    bool Seek(int64_t position) override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;

private:
    bool OpenAs(const String& filePath, platform::FileMode mode);

    PathString path;
    platform::File file;
    bool canRead = false;
    bool canWrite = false;
};

} // namespace common
