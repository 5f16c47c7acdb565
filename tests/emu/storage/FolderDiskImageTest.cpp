#include "FolderDisk.h"

#include "common/LittleEndian.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

constexpr int64_t kClassZeroSize = 33546240;

class FolderDiskImageTest : public ::testing::Test {
protected:
    void SetUp() override { UseUtc(); }

    // Opens the tree on a disk with a small pool.
    FolderDiskImage& Mount(int64_t poolBytes = 1024 * 1024) {
        tree.FixFolderTimes();
        disk = std::make_unique<FolderDiskImage>(poolBytes);
        EXPECT_TRUE(disk->Open(tree.RootPath()));
        return *disk;
    }

    FolderTree tree;
    std::unique_ptr<FolderDiskImage> disk;
};

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (const char byte : bytes) {
        std::snprintf(digits, sizeof(digits), "%02X ", static_cast<uint8_t>(byte));
        text += digits;
    }
    return text;
}

TEST_F(FolderDiskImageTest, AnEmptyFolderGivesClassZeroWithTheLabelAlone) {
    FolderDiskImage& image = Mount();
    EXPECT_TRUE(image.IsComplete());
    EXPECT_EQ(image.Size(), kClassZeroSize);
    EXPECT_EQ(image.SizeClass(), 0);
    const std::string master = ReadImage(image, 0, 512);
    EXPECT_EQ(Hex(master.substr(0, 16)), "FA 33 C0 BC 00 7C 8E D0 50 50 1F 07 BE 21 7C FC ");
    EXPECT_EQ(master.substr(33, 33), std::string("\r\nNon-system disk, can not boot.") + '\0');
    EXPECT_EQ(master.substr(66, 380), std::string(380, '\0'));
    // Active, head 1 sector 1 cylinder 0, type 06h, head 15 sector 63 cylinder 63, LBA 63, 64449 sectors.
    EXPECT_EQ(Hex(master.substr(446, 16)), "80 01 01 00 06 0F 3F 3F 3F 00 00 00 C1 FB 00 00 ");
    EXPECT_EQ(master.substr(462, 48), std::string(48, '\0'));
    EXPECT_EQ(Hex(master.substr(510, 2)), "55 AA ");
    EXPECT_EQ(ReadImage(image, 512, 62 * 512), std::string(62 * 512, '\0'));

    const std::string boot = ReadImage(image, kPartitionOffset, 512);
    EXPECT_EQ(Hex(boot.substr(0, 3)), "EB 3C 90 ");
    EXPECT_EQ(boot.substr(3, 8), "MSDOS5.0");
    // 512 bytes a sector, 4 a cluster, 1 reserved, 2 FATs, 512 root entries, 64449 sectors, F8h, 63 a FAT, 63 a
    // track, 16 heads, 63 hidden, no large count, drive 80h, signature 29h, serial 0B1107BCh.
    EXPECT_EQ(Hex(boot.substr(11, 32)), "00 02 04 01 00 02 00 02 C1 FB F8 3F 00 3F 00 10 00 3F 00 00 00 00 00 00 00 "
                                        "80 00 29 BC 07 11 0B ");
    EXPECT_EQ(boot.substr(43, 11), "HDD_31     ");
    EXPECT_EQ(boot.substr(54, 8), "FAT16   ");
    // The boot sector's copy prints its own text, at 7C5Fh.
    EXPECT_EQ(Hex(boot.substr(62, 16)), "FA 33 C0 BC 00 7C 8E D0 50 50 1F 07 BE 5F 7C FC ");
    EXPECT_EQ(boot.substr(95, 33), master.substr(33, 33));
    EXPECT_EQ(Hex(boot.substr(510, 2)), "55 AA ");

    const Layout layout(image);
    EXPECT_EQ(layout.fat, 32768);
    EXPECT_EQ(layout.data, 32768 + 2 * 63 * 512 + 16384);
    for (const int64_t fat : {layout.fat, layout.fat + layout.fatBytes}) {
        EXPECT_EQ(Hex(ReadImage(image, fat, 4)), "F8 FF FF FF ");
        EXPECT_EQ(ReadImage(image, fat + 4, static_cast<size_t>(layout.fatBytes - 4)),
                  std::string(static_cast<size_t>(layout.fatBytes - 4), '\0'));
    }
    const std::vector<DirEntry> root = RootEntries(image);
    ASSERT_EQ(root.size(), 1u);
    EXPECT_EQ(root[0], (DirEntry{"HDD_31     ", 0x28, 0x00210008, 0, 0}));
    // Nothing else in the whole image.
    EXPECT_EQ(ReadImage(image, layout.data, 1 << 20), std::string(1 << 20, '\0'));
    EXPECT_EQ(ReadImage(image, kClassZeroSize - 512, 512), std::string(512, '\0'));
}

TEST_F(FolderDiskImageTest, AFileLiesInClusterTwoFollowedByZeros) {
    const std::string content = Pattern(100);
    tree.File("README.TXT", content);
    FolderDiskImage& image = Mount();
    const std::vector<DirEntry> root = RootEntries(image);
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[1], (DirEntry{"README  TXT", 0x20, kFixedDosDateTime, 2, 100}));
    const Layout layout(image);
    EXPECT_EQ(ReadImage(image, layout.ClusterAt(2), 2048), content + std::string(1948, '\0'));
    EXPECT_EQ(Hex(ReadImage(image, layout.fat, 6)), "F8 FF FF FF FF FF ");
}

TEST_F(FolderDiskImageTest, ASubfolderHoldsDotEntriesAndItsFilesFollowIt) {
    const std::string first = Pattern(3000, 1);
    const std::string second = Pattern(10, 2);
    tree.File("SUB/A.BIN", first);
    tree.File("SUB/B.BIN", second);
    tree.File("Z.BIN", second);
    FolderDiskImage& image = Mount();
    const std::vector<DirEntry> root = RootEntries(image);
    // The subfolder's files are laid out before the next item of the root.
    EXPECT_EQ(root, (std::vector<DirEntry>{root[0],
                                           {"SUB        ", 0x10, DosTimeOf(tree / "SUB"), 2, 0},
                                           {"Z       BIN", 0x20, kFixedDosDateTime, 6, 10}}));
    EXPECT_EQ(FolderEntries(image, 2), (std::vector<DirEntry>{{".          ", 0x10, 0, 2, 0},
                                                              {"..         ", 0x10, 0, 0, 0},
                                                              {"A       BIN", 0x20, kFixedDosDateTime, 3, 3000},
                                                              {"B       BIN", 0x20, kFixedDosDateTime, 5, 10}}));
    const Layout layout(image);
    EXPECT_EQ(ReadImage(image, layout.ClusterAt(3), 3000), first);
    EXPECT_EQ(ReadImage(image, layout.ClusterAt(5), 10), second);
    // 2: end; 3 -> 4 -> end; 5: end; 6: end.
    EXPECT_EQ(Hex(ReadImage(image, layout.fat + 4, 10)), "FF FF 04 00 FF FF FF FF FF FF ");
    EXPECT_EQ(ReadImage(image, layout.fat, 16), ReadImage(image, layout.fat + layout.fatBytes, 16));
}

TEST_F(FolderDiskImageTest, TheContentMeasureChoosesTheSizeClass) {
    struct Case {
        int64_t fileBytes;
        int32_t sizeClass;
        int64_t imageSize;
        const char* label;
    };
    // Measure: twice the file bytes and 1 KiB for the root.
    const Case cases[] = {{16715264, 0, 33546240, "HDD_31     "},    {16715265, 1, 67092480, "HDD_63     "},
                          {52256256, 2, 104767488, "HDD_99     "},   {52256257, 3, 268369920, "HDD_255    "},
                          {264086528, 4, 528482304, "HDD_504    "},  {536583168, 5, 1073479680, "HDD_1023   "},
                          {1073580032, 6, 2147475456, "HDD_2047   "}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.fileBytes);
        FolderTree sized;
        sized.SparseFile("BIG.BIN", static_cast<uint64_t>(test.fileBytes));
        sized.FixFolderTimes();
        FolderDiskImage image(1024 * 1024);
        ASSERT_TRUE(image.Open(sized.RootPath()));
        EXPECT_TRUE(image.IsComplete());
        EXPECT_EQ(image.SizeClass(), test.sizeClass);
        EXPECT_EQ(image.Size(), test.imageSize);
        EXPECT_EQ(ReadImage(image, kPartitionOffset + 43, 11), test.label);
        const std::vector<DirEntry> root = RootEntries(image);
        ASSERT_EQ(root.size(), 2u);
        EXPECT_EQ(root[1].size, static_cast<uint32_t>(test.fileBytes));
    }
}

TEST_F(FolderDiskImageTest, NamesFollowTheBasisRulesInNameOrder) {
    std::vector<std::string> hostNames = {"README.TXT",          "Long File Name.text",   "a.b.c", ".profile", "x",
                                          "Long File Name.txt2", "Long File Name.textile"};
#ifndef _WIN32
    // Names a Windows folder cannot hold beside the others.
    hostNames.insert(hostNames.end(), {"readme.txt", "con.txt"});
#endif
    for (const std::string& name : hostNames) {
        tree.File(name, "1");
    }
    tree.File(std::filesystem::path(u"na\u00efve.txt"), "1");
    FolderDiskImage& image = Mount();
    std::vector<std::string> names;
    for (const DirEntry& entry : RootEntries(image)) {
        names.push_back(entry.name);
    }
    std::vector<std::string> expected = {"HDD_31     ", "PROFIL~1   ", "LONGFI~1TEX", "LONGFI~2TEX",
                                         "LONGFI~1TXT", "README  TXT", "A~1     C  ", "CON~1   TXT",
                                         "NA_VE~1 TXT", "README~1TXT", "X          "};
#ifdef _WIN32
    std::erase(expected, "CON~1   TXT");
    std::erase(expected, "README~1TXT");
#endif
    EXPECT_EQ(names, expected);
}

TEST_F(FolderDiskImageTest, ARootOf512ItemsMovesIntoAFolderNamedAfterTheMountFolder) {
    for (const int items : {511, 512}) {
        SCOPED_TRACE(items);
        FolderTree many;
        const std::filesystem::path folder = many / "My Files.2024";
        for (int item = 0; item < items; ++item) {
            many.File(std::filesystem::path("My Files.2024") / ("F" + std::to_string(item)), "");
        }
        many.FixFolderTimes();
        FolderDiskImage image(1024 * 1024);
        ASSERT_TRUE(image.Open(common::PathString(folder.u16string().c_str())));
        EXPECT_TRUE(image.IsComplete());
        const std::vector<DirEntry> root = RootEntries(image);
        if (items == 511) {
            EXPECT_EQ(root.size(), 512u);
            continue;
        }
        ASSERT_EQ(root.size(), 2u);
        EXPECT_EQ(root[1], (DirEntry{"MYFILES 202", 0x10, 0x00210008, 2, 0}));
        // 514 entries take more than one 2 KiB cluster: the directory's chain is read cluster by cluster.
        const Layout layout(image);
        const std::string directory = ReadImage(image, layout.ClusterAt(root[1].cluster), 514 * 32);
        const std::vector<DirEntry> all = ParseDirectory(directory);
        ASSERT_EQ(all.size(), 514u);
        EXPECT_EQ(all[0].cluster, root[1].cluster);
        EXPECT_EQ(all[1].cluster, 0);
        EXPECT_EQ(all[2].name, "F0         ");
    }
}

TEST_F(FolderDiskImageTest, TwoHundredLevelsAreAllMirrored) {
    std::filesystem::path deep;
    for (int level = 0; level < 200; ++level) {
        deep /= "D";
    }
    tree.File(deep / "LAST.TXT", "end");
    FolderDiskImage& image = Mount();
    EXPECT_TRUE(image.IsComplete());
    uint16_t cluster = RootEntries(image)[1].cluster;
    for (int level = 1; level < 200; ++level) {
        const std::vector<DirEntry> entries = FolderEntries(image, cluster);
        ASSERT_EQ(entries.size(), 3u) << level;
        cluster = entries[2].cluster;
    }
    const std::vector<DirEntry> last = FolderEntries(image, cluster);
    ASSERT_EQ(last.size(), 3u);
    EXPECT_EQ(last[2].name, "LAST    TXT");
    EXPECT_EQ(ReadImage(image, Layout(image).ClusterAt(last[2].cluster), 3), "end");
}

TEST_F(FolderDiskImageTest, AtMost5498ItemsAreMirrored) {
    for (const int items : {5498, 5499}) {
        SCOPED_TRACE(items);
        FolderTree many;
        // Two folders and their files.
        for (int item = 0; item < items - 2; ++item) {
            many.File(std::filesystem::path(item < 2999 ? "A" : "B") / std::to_string(item), "");
        }
        many.FixFolderTimes();
        FolderDiskImage image(1024 * 1024);
        ASSERT_TRUE(image.Open(many.RootPath()));
        EXPECT_EQ(image.IsComplete(), items == 5498);
        const std::vector<DirEntry> root = RootEntries(image);
        ASSERT_EQ(root.size(), 3u);
        const Layout layout(image);
        const auto count = [&](uint16_t cluster, size_t entries) {
            return ParseDirectory(ReadImage(image, layout.ClusterAt(cluster), (entries + 2) * 32)).size() - 2;
        };
        EXPECT_EQ(count(root[1].cluster, 2999), 2999u);
        EXPECT_EQ(count(root[2].cluster, 2498), 2497u);
    }
}

TEST_F(FolderDiskImageTest, ItemsThatDoNotFitAreLeftOutWhole) {
    struct Case {
        const char* name;
        std::vector<uint64_t> sizes;
        std::vector<bool> kept;
    };
    const Case cases[] = {
        {"a 4 GiB file", {4294967296, 10}, {false, true}},
        {"two 1.2 GiB files", {1288490189, 1288490189, 10}, {true, false, true}},
        // Within the total, beyond class 6's 65384 clusters of 32 KiB.
        {"more than the data area", {2145000000, 10}, {false, true}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        FolderTree sized;
        for (size_t at = 0; at < test.sizes.size(); ++at) {
            sized.SparseFile("F" + std::to_string(at), test.sizes[at]);
        }
        sized.FixFolderTimes();
        FolderDiskImage image(1024 * 1024);
        ASSERT_TRUE(image.Open(sized.RootPath()));
        EXPECT_FALSE(image.IsComplete());
        std::vector<std::string> expected{"HDD_"};
        for (size_t at = 0; at < test.sizes.size(); ++at) {
            if (test.kept[at]) {
                expected.push_back("F" + std::to_string(at));
            }
        }
        std::vector<std::string> names;
        for (const DirEntry& entry : RootEntries(image)) {
            names.push_back(entry.name.substr(0, entry.name.find(' ')).substr(0, 4));
        }
        EXPECT_EQ(names, expected);
        // The FATs hold no chain without an entry: everything allocated belongs to the small file.
        const Layout layout(image);
        const std::string fat = ReadImage(image, layout.fat, static_cast<size_t>(layout.fatBytes));
        size_t used = 0;
        for (size_t at = 4; at < fat.size(); at += 2) {
            used += Little(fat, at, 2) != 0 ? 1 : 0;
        }
        const auto big = test.kept[0] ? (test.sizes[0] + layout.cluster - 1) / layout.cluster : 0;
        EXPECT_EQ(used, big + 1);
    }
}

TEST_F(FolderDiskImageTest, AReopenedDiskShowsTheNewFolder) {
    tree.File("ONE.TXT", "1");
    FolderDiskImage& image = Mount();
    FolderTree other;
    other.File("TWO.TXT", "22");
    other.FixFolderTimes();
    ASSERT_TRUE(image.Open(other.RootPath()));
    const std::vector<DirEntry> root = RootEntries(image);
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[1].name, "TWO     TXT");
    image.Close();
    EXPECT_FALSE(image.IsOpen());
    EXPECT_EQ(image.Size(), 0);
}

} // namespace
} // namespace emu
