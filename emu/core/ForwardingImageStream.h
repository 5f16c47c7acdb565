#pragma once

#include "emu/core/ImageStream.h"

namespace emu {

// An image stream that passes every byte operation to the stream that currently backs the image, so devices never
// see whether a file, a memory copy or a built image lies behind it. The inner stream is borrowed.
class ForwardingImageStream : public ImageStream {
public:
    // Borrows initialInner, which may still be under construction: nothing reaches it until the first operation.
    explicit ForwardingImageStream(common::ByteStream& initialInner) : inner(&initialInner) {}
    ~ForwardingImageStream() override = default;

    bool IsOpen() const override { return inner->IsOpen(); }
    bool Growable() const override { return inner->Growable(); }
    bool IsValid() const override { return inner->IsValid(); }
    bool CanRead() const override { return inner->CanRead(); }
    bool CanWrite() const override { return inner->CanWrite(); }
    int64_t Size() const override { return inner->Size(); }
    bool Resize(int64_t newSize) override { return inner->Resize(newSize); }
    int64_t Tell() const override { return inner->Tell(); }
    bool Seek(int64_t position) override { return inner->Seek(position); }
    int64_t Read(void* buffer, int64_t count) override { return inner->Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return inner->Write(buffer, count); }
    // Seek the inner stream, then Read or Write on it; 0 when the seek fails.
    int64_t ReadAt(void* buffer, int64_t position, int64_t count) override;
    int64_t WriteAt(const void* buffer, int64_t position, int64_t count) override;

protected:
    // The stream that backs the image from now on.
    void SetInner(common::ByteStream& stream) { inner = &stream; }
    const common::ByteStream& Inner() const { return *inner; }

private:
    common::ByteStream* inner;
};

} // namespace emu
