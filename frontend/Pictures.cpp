#include "frontend/Pictures.h"

#include "common/BmpCodec.h"
#include "common/MemoryStream.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace emu {
namespace {

// The pictures are drawn here as letters, one per pixel and top row first, and turned into BMP files by the
// compiler, so the program carries finished files and no drawing code runs.

template <int Width, int Height>
struct Grid {
    std::array<std::array<char, Width>, Height> cells{};

    constexpr char& At(int y, int x) { return cells[y][x]; }
    constexpr char At(int y, int x) const { return cells[y][x]; }
};

template <int Height>
using Rows = std::array<std::string_view, Height>;

template <int Width, int Height>
constexpr bool RowsFit(const Rows<Height>& rows) {
    for (const std::string_view row : rows) {
        if (row.size() != Width) {
            return false;
        }
    }
    return true;
}

template <int Width, int Height>
constexpr Grid<Width, Height> FromRows(const Rows<Height>& rows) {
    Grid<Width, Height> grid;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            grid.At(y, x) = rows[y][x];
        }
    }
    return grid;
}

// A letter and its colour (RRGGBB); a picture's palette lists its letters in order.
struct Ink {
    char letter;
    uint32_t rgb;
};

template <size_t Count>
using Inks = std::array<Ink, Count>;

template <size_t Count>
constexpr size_t InkIndex(const Inks<Count>& inks, char letter) {
    for (size_t i = 0; i < Count; ++i) {
        if (inks[i].letter == letter) {
            return i;
        }
    }
    return Count;
}

template <int Width, int Height, size_t Count>
constexpr bool AllInked(const Grid<Width, Height>& grid, const Inks<Count>& inks) {
    for (const auto& row : grid.cells) {
        for (const char letter : row) {
            if (InkIndex(inks, letter) == Count) {
                return false;
            }
        }
    }
    return true;
}

constexpr size_t kPaletteEntries = 16;
constexpr size_t kPixelDataOffset = 14 + 40 + kPaletteEntries * 4;

// Four bits a pixel, each row padded to whole 32-bit words.
constexpr size_t RowBytes(int width) {
    return (static_cast<size_t>(width) * 4 + 31) / 32 * 4;
}
constexpr size_t BmpBytes(int width, int height) {
    return kPixelDataOffset + RowBytes(width) * height;
}

template <size_t Size>
constexpr void PutLittleEndian(std::array<uint8_t, Size>& file, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

template <int Width, int Height, size_t Count>
constexpr std::array<uint8_t, BmpBytes(Width, Height)> EncodeBmp(const Grid<Width, Height>& grid,
                                                                 const Inks<Count>& inks) {
    static_assert(Count <= kPaletteEntries);
    constexpr size_t kSize = BmpBytes(Width, Height);
    std::array<uint8_t, kSize> file{};
    file[0] = 'B';
    file[1] = 'M';
    PutLittleEndian(file, 2, kSize, 4);
    PutLittleEndian(file, 10, kPixelDataOffset, 4);
    PutLittleEndian(file, 14, 40, 4); // information header size
    PutLittleEndian(file, 18, Width, 4);
    PutLittleEndian(file, 22, Height, 4); // positive: bottom row first
    PutLittleEndian(file, 26, 1, 2);      // planes
    PutLittleEndian(file, 28, 4, 2);      // bits per pixel
    PutLittleEndian(file, 46, kPaletteEntries, 4);
    for (size_t i = 0; i < Count; ++i) {
        file[54 + i * 4] = static_cast<uint8_t>(inks[i].rgb);
        file[55 + i * 4] = static_cast<uint8_t>(inks[i].rgb >> 8);
        file[56 + i * 4] = static_cast<uint8_t>(inks[i].rgb >> 16);
    }
    for (int y = 0; y < Height; ++y) {
        const size_t row = kPixelDataOffset + RowBytes(Width) * static_cast<size_t>(Height - 1 - y);
        for (int x = 0; x < Width; ++x) {
            const auto index = static_cast<uint8_t>(InkIndex(inks, grid.At(y, x)));
            file[row + x / 2] |= (x % 2 == 0) ? static_cast<uint8_t>(index << 4) : index;
        }
    }
    return file;
}

// Toolbar pictures on a magenta background, which the buttons treat as transparent.
constexpr Inks<7> kToolbarInks{{{'M', 0xFC02FC},
                                {'G', 0x04AA54},
                                {'K', 0x040204},
                                {'B', 0x040284},
                                {'U', 0x0402FC},
                                {'g', 0x848684},
                                {'R', 0x9C0204}}};

// A green arrow pointing right, shadowed black on its lower right edge.
constexpr Rows<14> kStartRows{
    "MMMMMMMGMMMMMMM", "MMMMMMMGGMMMMMM", "MMMMMMMGGGMMMMM", "MMMMMMMGGGGMMMM", "MGGGGGGGGGGGMMM",
    "MGGGGGGGGGGGGMM", "MGGGGGGGGGGGGGM", "MGGGGGGGGGGGGGK", "MGGGGGGGGGGGGKM", "MKKKKKKGGGGGKMM",
    "MMMMMMMGGGGKMMM", "MMMMMMMGGGKMMMM", "MMMMMMMGGKMMMMM", "MMMMMMMKKMMMMMM",
};

// Two dithered blue bars with a grey shadow.
constexpr Rows<15> kPauseRows{
    "MBUBBMMMBUBBM", "MUBUBgMMUBUBg", "MBUBBgMMBUBBg", "MUBUBgMMUBUBg", "MBUBBgMMBUBBg",
    "MUBUBgMMUBUBg", "MBUBBgMMBUBBg", "MUBUBgMMUBUBg", "MBUBBgMMBUBBg", "MUBUBgMMUBUBg",
    "MBUBBgMMBUBBg", "MUBUBgMMUBUBg", "MBUBBgMMBUBBg", "MBBBBgMMBBBBg", "MMggggMMMgggg",
};

// A dark red square with a black shadow.
constexpr Rows<13> kStopRows{
    "MRRRRRRRRRRRRM", "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK",
    "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK",
    "MRRRRRRRRRRRRK", "MRRRRRRRRRRRRK", "MMKKKKKKKKKKKK",
};

static_assert(RowsFit<15, 14>(kStartRows) && RowsFit<13, 15>(kPauseRows) && RowsFit<14, 13>(kStopRows));

constexpr auto kStartGrid = FromRows<15, 14>(kStartRows);
constexpr auto kPauseGrid = FromRows<13, 15>(kPauseRows);
constexpr auto kStopGrid = FromRows<14, 13>(kStopRows);
static_assert(AllInked(kStartGrid, kToolbarInks) && AllInked(kPauseGrid, kToolbarInks) &&
              AllInked(kStopGrid, kToolbarInks));

constexpr auto kStartFile = EncodeBmp(kStartGrid, kToolbarInks);
constexpr auto kPauseFile = EncodeBmp(kPauseGrid, kToolbarInks);
constexpr auto kStopFile = EncodeBmp(kStopGrid, kToolbarInks);
static_assert(kStartFile.size() == 230 && kPauseFile.size() == 238 && kStopFile.size() == 222);

// Drive fronts, 47 x 16, on the light grey face F that is their colour key. The lights are G (green), R (red),
// Y (yellow) and W (white, also the floppy slot's highlight); the open lever is shaded a, m and d; c is the lit
// floppy face's rounded inner corners, a shade off the key so that they stay opaque.
constexpr int kDriveWidth = 47;
constexpr int kDriveHeight = 16;
using DriveGrid = Grid<kDriveWidth, kDriveHeight>;

constexpr Inks<12> DriveInks(uint32_t grey) {
    return {{{'F', 0xC4C6C4},
             {'K', 0x040204},
             {'D', 0x5C5A5C},
             {'g', grey},
             {'W', 0xFCFEFC},
             {'G', 0x04FE04},
             {'R', 0xFC0204},
             {'Y', 0xFCFE04},
             {'d', 0x444244},
             {'m', 0x747274},
             {'a', 0xA4A6A4},
             {'c', 0xC4C2C4}}};
}
static_assert((kDrivePictureKey & 0xFFFFFF) == 0xC4C6C4);

// A 5.25-inch drive: the light, the slot with a medium in it, the door lever turned down.
constexpr Rows<kDriveHeight> kFloppyRows{
    "KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK", "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFgDDDFFFFFFFFFFFK", "KFFFFFGGGGFFFFFFFFFFFFFFFFFFFFgDDDDDFFFFFFFFFFK",
    "KFFFFFGGGGFFFFFFFFFFFFFFFFFFFFDDDDDDFFFFFFFFFFK", "KFFFFFFFFFFFFFFFDDDDDDDDDDDDDFDDDDDDFFFFFFFFFFK",
    "KFFFgggggggggggDDDDDDDDDDDDDDDgDDDDggggggggFFFK", "KFFFgDDDDDDDDDDDgggggggggggggDDgDDDgDDDDDDgFFFK",
    "KFFFgKKKKKKKKKKKKKKKKKKKKKKKKKKgDDDgKKKKKKgFFFK", "KFFFgKKKKKKKKKKKDDDDDDDDDDDDDKKggDDgKKKKKKgFFFK",
    "KFFFWWWWWWWWWWWWgggggggggggggWWWWDDWWWWWWWWFFFK", "KFFFFFFFFFFFFFFFWWWWWWWWWWWWWFFFFDDFFFFFFFFFFFK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDDFFFFFFFFFFFK", "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFK", "KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK",
};

// A hard disk: a frame with open corners, the light, a rule and a row of vents, the lever down.
constexpr Rows<kDriveHeight> kHardDiskRows{
    "FKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKF", "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFgDDDFFFFFFFFFFFK", "KFFFFFGGGGFFFFFFFFFFFFFFFFFFFFgDDDDDFFFFFFFFFFK",
    "KFFFFFGGGGFFFFFFFFFFFFFFFFFFFFDDDDDDFFFFFFFFFFK", "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDDDDDDFFFFFFFFFFK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFgDDDDgFFFFFFFFFFK", "KgggggggggggggggggggggggggggggggDDDgggggggggggK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDDDFFFFFFFFFFFK", "KFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgDDFgFgFgFgFgFK",
    "KFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgDDFgFgFgFgFgFK", "KFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgDDFgFgFgFgFgFK",
    "KFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgDDFgFgFgFgFgFK", "KFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFgFK",
    "KFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFK", "FKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKF",
};

// A chip package with pins above and below, the light in a black box, lines of print, the lever down.
constexpr Rows<kDriveHeight> kCartridgeRows{
    "FFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFFF", "FFKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKFFF",
    "FKFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFKFF", "FKFFFFFFFFFFFFFFFFFFFFFFFFFFFFFgDDDFFFFFFFFFKFF",
    "FKFFFKKKKKKKFFFDDFDFDDDFDDFFFFgDDDDDFFFFFFFFKFF", "FKFFFKGGGGGKFFFFFFFFFFFFFFFFFFDDDDDDFFFFFFFFKFF",
    "FKFFFKGGGGGKFFFDDDDFDDDFDDFFFFDDDDDDFFFFFFFFKFF", "FKFFFKGGGGGKFFFFFFFFFFFFFFFFFFFgDDDgFFFFFFFFKFF",
    "FKFFFKGGGGGKFFFDFDDDFDFDDDFFFFFFgDDFFFFFFFFFKFF", "FKFFFKGGGGGKFFFFFFFFFFFFFFFFFFFFFDDFFFFFFFFFKFF",
    "FKFFFKKKKKKKFFFDDDFDDDFDFDFFFFFFFDDFFFFFFFFFKFF", "FKFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDDFFFFFFFFFKFF",
    "FKFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFKFF", "FFKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKFFF",
    "FFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFFF", "FFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFKFFFF",
};

static_assert(RowsFit<kDriveWidth, kDriveHeight>(kFloppyRows) && RowsFit<kDriveWidth, kDriveHeight>(kHardDiskRows) &&
              RowsFit<kDriveWidth, kDriveHeight>(kCartridgeRows));

// Rectangles with inclusive edges.
struct Box {
    int top;
    int left;
    int bottom;
    int right;
};

// Where each set's parts lie in its picture 0.
struct DriveLayout {
    Box face;          // inside the frame: what the activity light fills
    Box lever;         // the turned-down lever's knob and stem
    int underLever[2]; // columns (even, odd) showing what lies under the lever
    bool hasSlot;      // the floppy's slot: a medium to take out, a white highlight, rounded lit corners
};

constexpr DriveLayout kFloppyLayout{{1, 1, 14, 45}, {2, 30, 12, 35}, {38, 39}, true};
constexpr DriveLayout kHardDiskLayout{{1, 1, 14, 45}, {2, 30, 12, 35}, {22, 23}, false};
constexpr DriveLayout kCartridgeLayout{{2, 2, 12, 43}, {2, 30, 12, 35}, {38, 39}, false};

// The floppy's medium, and a column of the slot where no medium shows.
constexpr Box kMedium{5, 15, 11, 29};
constexpr int kEmptySlotColumn = 10;
// The open lever: a bar pointing right, lit from above.
constexpr int kOpenLeverTop = 3;
constexpr int kOpenLeverLeft = 30;
constexpr Rows<3> kOpenLeverRows{" aaaaaaaaaa ", "mmmmmmmmmmmm", " dddddddddd "};

// What one picture of a set shows, by the index GetDriveImageIndex computes.
struct DriveState {
    char light;
    bool leverOpen;
    bool slotEmpty;
    bool lit; // the activity light fills the face
};

constexpr std::array<DriveState, kDrivePictureCount> kDriveStates{{
    {'G', false, false, false},
    {'R', true, false, false},
    {'W', false, true, false},
    {'W', true, true, false},
    {'G', false, false, true},
    {'R', true, false, true},
    {'W', false, true, true},
    {'W', true, true, true},
    {'R', false, false, false},
    {'Y', false, false, false},
    {'R', false, false, true},
    {'Y', false, false, true},
}};

constexpr DriveGrid DrawDriveState(DriveGrid grid, const DriveLayout& layout, const DriveState& state) {
    if (state.leverOpen) {
        for (int y = layout.lever.top; y <= layout.lever.bottom; ++y) {
            for (int x = layout.lever.left; x <= layout.lever.right; ++x) {
                grid.At(y, x) = grid.At(y, layout.underLever[x % 2]);
            }
        }
        for (int y = 0; y < static_cast<int>(kOpenLeverRows.size()); ++y) {
            for (int x = 0; x < static_cast<int>(kOpenLeverRows[y].size()); ++x) {
                if (kOpenLeverRows[y][x] != ' ') {
                    grid.At(kOpenLeverTop + y, kOpenLeverLeft + x) = kOpenLeverRows[y][x];
                }
            }
        }
    }
    if (state.slotEmpty && layout.hasSlot) {
        for (int y = kMedium.top; y <= kMedium.bottom; ++y) {
            for (int x = kMedium.left; x <= kMedium.right; ++x) {
                grid.At(y, x) = grid.At(y, kEmptySlotColumn);
            }
        }
    }
    // Only the light is green in picture 0.
    for (auto& row : grid.cells) {
        for (char& pixel : row) {
            if (pixel == 'G') {
                pixel = state.light;
            }
        }
    }
    if (state.lit) {
        const Box& face = layout.face;
        for (int y = face.top; y <= face.bottom; ++y) {
            for (int x = face.left; x <= face.right; ++x) {
                char& pixel = grid.At(y, x);
                if (pixel == 'F' || (layout.hasSlot && pixel == 'W')) {
                    pixel = state.light;
                }
            }
        }
        if (layout.hasSlot) {
            for (const int y : {face.top, face.bottom}) {
                for (const int x : {face.left, face.left + 1, face.right - 1, face.right}) {
                    grid.At(y, x) = 'c';
                }
            }
        }
    }
    return grid;
}

constexpr size_t kDriveFileBytes = BmpBytes(kDriveWidth, kDriveHeight);
using DriveFiles = std::array<std::array<uint8_t, kDriveFileBytes>, kDrivePictureCount>;

constexpr DriveFiles DrawDriveSet(const Rows<kDriveHeight>& rows, const DriveLayout& layout, uint32_t grey) {
    const auto inks = DriveInks(grey);
    const auto first = FromRows<kDriveWidth, kDriveHeight>(rows);
    DriveFiles files{};
    for (size_t index = 0; index < kDrivePictureCount; ++index) {
        files[index] = EncodeBmp(DrawDriveState(first, layout, kDriveStates[index]), inks);
    }
    return files;
}

constexpr bool SetInked(const Rows<kDriveHeight>& rows, const DriveLayout& layout, uint32_t grey) {
    const auto first = FromRows<kDriveWidth, kDriveHeight>(rows);
    for (const DriveState& state : kDriveStates) {
        if (!AllInked(DrawDriveState(first, layout, state), DriveInks(grey))) {
            return false;
        }
    }
    return true;
}

constexpr uint32_t kGrey = 0x848684;
constexpr uint32_t kHardDiskGrey = 0x848284;
static_assert(SetInked(kFloppyRows, kFloppyLayout, kGrey) && SetInked(kHardDiskRows, kHardDiskLayout, kHardDiskGrey) &&
              SetInked(kCartridgeRows, kCartridgeLayout, kGrey));

constexpr DriveFiles kFloppyFiles = DrawDriveSet(kFloppyRows, kFloppyLayout, kGrey);
constexpr DriveFiles kHardDiskFiles = DrawDriveSet(kHardDiskRows, kHardDiskLayout, kHardDiskGrey);
constexpr DriveFiles kCartridgeFiles = DrawDriveSet(kCartridgeRows, kCartridgeLayout, kGrey);
static_assert(kDriveFileBytes == 502);

template <size_t Size>
std::unique_ptr<common::Image> Decode(const std::array<uint8_t, Size>& file) {
    common::MemoryStream stream;
    // Borrowed in place: the decoder only reads, and the stream never frees a buffer it did not make.
    if (!stream.Attach(const_cast<uint8_t*>(file.data()), static_cast<int64_t>(Size))) {
        return nullptr;
    }
    return common::ReadBmp(stream, common::BmpKind::Palettised);
}

std::unique_ptr<common::Image> LoadDrivePicture(const DriveFiles& files, uint32_t index) {
    if (index >= kDrivePictureCount) {
        return nullptr;
    }
    auto image = Decode(files[index]);
    if (image != nullptr) {
        image->KeyColour = kDrivePictureKey;
        image->KeyEnabled = true;
    }
    return image;
}

} // namespace

std::unique_ptr<common::Image> LoadIndicatorImage() {
    return Decode(kStartFile);
}

std::unique_ptr<common::Image> LoadPauseImage() {
    return Decode(kPauseFile);
}

std::unique_ptr<common::Image> LoadStopImage() {
    return Decode(kStopFile);
}

std::unique_ptr<common::Image> LoadIndexedIndicatorImage(uint32_t index) {
    return LoadDrivePicture(kFloppyFiles, index);
}

std::unique_ptr<common::Image> LoadHardDiskIndicatorImage(uint32_t index) {
    return LoadDrivePicture(kHardDiskFiles, index);
}

std::unique_ptr<common::Image> LoadCartridgeIndicatorImage(uint32_t index) {
    return LoadDrivePicture(kCartridgeFiles, index);
}

} // namespace emu
