#include "support/DisplayPixels.h"

#include <atomic>
#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace test_support {
namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The Unix path Wine maps a Windows path to; empty when it has none.
std::string UnixPathOf(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) {
        return {};
    }
    char* name = unixFileName(path.c_str());
    if (name == nullptr) {
        return {};
    }
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// The UTF-8 text as UTF-16, for a command line.
std::wstring Wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    }
    return wide;
}

// A path as one word of a shell command, whatever it holds.
std::string ShellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (const char character : path) {
        quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    }
    return quoted + "'";
}

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) << 24 | static_cast<uint32_t>(bytes[offset + 1]) << 16 |
           static_cast<uint32_t>(bytes[offset + 2]) << 8 | bytes[offset + 3];
}

// The channel of a pixel value under its mask, as 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const uint32_t bits = static_cast<uint32_t>(std::popcount(mask));
    const uint32_t level = (value & mask) >> std::countr_zero(mask);
    return bits >= 8 ? level >> (bits - 8) : level * 0xFF / ((1U << bits) - 1);
}

// A 24 or 32-bit ZPixmap XWD file of the whole screen, cut to the area.
DisplayRead CutXwd(const std::vector<uint8_t>& file, const RECT& area) {
    DisplayRead read;
    constexpr size_t kHeaderFields = 25;
    if (file.size() < kHeaderFields * 4) {
        read.error = "the XWD file is shorter than its header";
        return read;
    }
    const auto field = [&](size_t index) { return BigEndian32(file, index * 4); };
    const uint32_t headerSize = field(0);
    const uint32_t format = field(2);
    const uint32_t width = field(4);
    const uint32_t height = field(5);
    const uint32_t byteOrder = field(7);
    const uint32_t bitsPerPixel = field(11);
    const uint32_t bytesPerLine = field(12);
    const uint32_t redMask = field(14);
    const uint32_t greenMask = field(15);
    const uint32_t blueMask = field(16);
    const uint32_t colours = field(19);
    constexpr uint32_t kZPixmap = 2;
    const uint64_t imageStart = uint64_t{headerSize} + uint64_t{colours} * 12;
    // xwd started by Wine writes three bytes a pixel, started from a shell four.
    const uint32_t bytesPerPixel = bitsPerPixel / 8;
    if (format != kZPixmap || (bitsPerPixel != 24 && bitsPerPixel != 32) || bytesPerLine < width * bytesPerPixel ||
        imageStart + uint64_t{bytesPerLine} * height > file.size()) {
        read.error =
            "the XWD file of " + std::to_string(file.size()) + " bytes is not a whole 24 or 32-bit ZPixmap image";
        return read;
    }
    if (area.left < 0 || area.top < 0 || area.right > static_cast<LONG>(width) ||
        area.bottom > static_cast<LONG>(height) || area.right <= area.left || area.bottom <= area.top) {
        read.error = "the area is not inside the " + std::to_string(width) + "x" + std::to_string(height) + " display";
        return read;
    }
    read.pixels.reserve(static_cast<size_t>(area.right - area.left) * (area.bottom - area.top));
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            const size_t at =
                imageStart + static_cast<size_t>(y) * bytesPerLine + static_cast<size_t>(x) * bytesPerPixel;
            uint32_t value = 0;
            for (uint32_t byte = 0; byte < bytesPerPixel; ++byte) {
                // Byte order 0 is least significant byte first.
                const uint32_t shift = 8 * (byteOrder == 0 ? byte : bytesPerPixel - 1 - byte);
                value |= static_cast<uint32_t>(file[at + byte]) << shift;
            }
            read.pixels.push_back(Channel(value, redMask) << 16 | Channel(value, greenMask) << 8 |
                                  Channel(value, blueMask));
        }
    }
    return read;
}

// Under Wine: the X display's pixels, through xwd started as a Unix program. Wine hands such a program no handle to
// wait on, so it writes its picture under a temporary name and renames it when done.
DisplayRead ReadXDisplay(const RECT& area) {
    DisplayRead read;
    wchar_t folder[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0) {
        read.error = "no temporary folder";
        return read;
    }
    static std::atomic<int32_t> counter{0};
    const std::wstring path = std::wstring(folder) + L"zov-display-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++) + L".xwd";
    const std::wstring failedPath = path + L".failed";
    const std::string unixPath = UnixPathOf(path);
    if (unixPath.empty()) {
        read.error = "no Unix path for the temporary folder";
        return read;
    }
    const std::string part = ShellQuoted(unixPath + ".part");
    const std::string script = "xwd -root -silent > " + part + " && mv " + part + " " + ShellQuoted(unixPath) +
                               " || touch " + ShellQuoted(unixPath + ".failed");
    // One word in double quotes: Wine splits the command line as Windows does, where only a double quote (and the
    // backslashes before one) is special, and a temporary folder's path holds none.
    std::wstring command = L"/bin/sh -c \"" + Wide(script) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        read.error = "/bin/sh did not start";
        return read;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetFileAttributesW(failedPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            DeleteFileW(failedPath.c_str());
            read.error = "xwd failed (is x11-apps installed?)";
            return read;
        }
        if (GetTickCount64() > deadline) {
            read.error = "xwd did not answer within 20 s";
            return read;
        }
        Sleep(2);
    }
    std::ifstream stream(std::filesystem::path(path), std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    stream.close();
    DeleteFileW(path.c_str());
    return CutXwd(file, area);
}

// On Windows: the desktop's pixels, as the compositor shows them.
DisplayRead ReadDesktop(const RECT& area) {
    DisplayRead read;
    HDC screen = GetDC(nullptr);
    read.pixels = CopyDcPixels(screen, area);
    ReleaseDC(nullptr, screen);
    if (read.pixels.empty()) {
        read.error = "an empty area";
    }
    return read;
}

} // namespace

BITMAPINFO TopDownBitmapInfo(int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

std::vector<uint32_t> CopyDcPixels(HDC source, const RECT& area) {
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return {};
    }
    const BITMAPINFO info = TopDownBitmapInfo(width, height);
    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> copied(pixels, pixels + static_cast<size_t>(width) * height);
    for (uint32_t& pixel : copied) {
        pixel &= 0xFFFFFF;
    }
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    return copied;
}

DisplayRead ReadDisplay(const RECT& area) {
    GdiFlush();
    if (!UnderWine()) {
        return ReadDesktop(area);
    }
    // A wait that finds nothing to wait for sends every window surface of this thread to the X display.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    return ReadXDisplay(area);
}

} // namespace test_support
