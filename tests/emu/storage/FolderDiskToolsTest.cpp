// The host's own FAT tools check the images: fsck.fat finds nothing to fix, mtools lists and copies every file,
// and what mtools writes into an exported image, replayed through the stream, gives the same image.
#ifndef _WIN32

#include "FolderDisk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>

namespace emu {
namespace {

bool HaveTools() {
    return std::system("command -v fsck.fat >/dev/null 2>&1 && command -v mcopy >/dev/null 2>&1") == 0;
}

// The command's exit code and what it printed.
int RunTool(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[4096];
    while (const size_t got = std::fread(buffer, 1, sizeof(buffer), pipe)) {
        output.append(buffer, got);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Every file of a tree by its path relative to the root, with its content.
std::map<std::string, std::string> Files(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[std::filesystem::relative(entry.path(), root).generic_string()] = Slurp(entry.path());
        }
    }
    return files;
}

class FolderDiskToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools()) {
            GTEST_SKIP() << "fsck.fat and mtools are not installed";
        }
        UseUtc();
        setenv("MTOOLS_SKIP_CHECK", "1", 1);
    }

    // Exports the partition, checks it with fsck.fat and copies it out with mcopy into work/out.
    std::map<std::string, std::string> CheckedCopy(FolderDiskImage& disk, std::string& listing) {
        const std::filesystem::path partition = work.Path() / "partition.img";
        EXPECT_TRUE(ExportImage(disk, partition, kPartitionOffset));
        std::string output;
        EXPECT_EQ(RunTool("fsck.fat -n " + Quoted(partition), output), 0) << output;
        EXPECT_EQ(output.find("differ"), std::string::npos) << output;
        EXPECT_EQ(RunTool("mdir -/ -a -i " + Quoted(partition) + " ::", listing), 0) << listing;
        const std::filesystem::path out = work.Path() / "out";
        std::filesystem::remove_all(out);
        std::filesystem::create_directory(out);
        EXPECT_EQ(RunTool("mcopy -s -n -i " + Quoted(partition) + " ::/* " + Quoted(out), output), 0) << output;
        return Files(out);
    }

    FolderTree tree;
    test_support::TemporaryFolder work;
};

TEST_F(FolderDiskToolsTest, FatToolsReadEveryFileUnderItsShortName) {
    const std::map<std::string, std::string> expected = {
        {"README.TXT", Pattern(100, 1)},
        {"README~1.TXT", Pattern(2048, 2)},
        {"LONGFI~1.TEX", Pattern(2049, 3)},
        {"A~1.C", ""},
        {"PROFIL~1", Pattern(1, 4)},
        {"CON~1.TXT", Pattern(5000, 5)},
        {"NA_VE~1.TXT", Pattern(70000, 6)},
        {"DEEP/ER/FILE.BIN", Pattern(4095, 7)},
        {"LONGFO~1/INSIDE~1.BIN", Pattern(300, 8)},
    };
    tree.File("README.TXT", expected.at("README.TXT"));
    tree.File("readme.txt", expected.at("README~1.TXT"));
    tree.File("Long File Name.text", expected.at("LONGFI~1.TEX"));
    tree.File("a.b.c", "");
    tree.File(".profile", expected.at("PROFIL~1"));
    tree.File("con.txt", expected.at("CON~1.TXT"));
    tree.File(std::filesystem::path(u"na\u00efve.txt"), expected.at("NA_VE~1.TXT"));
    tree.File("deep/er/file.bin", expected.at("DEEP/ER/FILE.BIN"));
    tree.File("Long Folder/inside file.bin", expected.at("LONGFO~1/INSIDE~1.BIN"));
    tree.Folder("empty folder");
    tree.FixFolderTimes();
    FolderDiskImage disk(1 << 20);
    ASSERT_TRUE(disk.Open(tree.RootPath()));
    ASSERT_TRUE(disk.IsComplete());
    std::string listing;
    EXPECT_EQ(CheckedCopy(disk, listing), expected);
    for (const char* line :
         {"README   TXT       100", "README~1 TXT      2048", "LONGFI~1 TEX      2049", "A~1      C           0",
          "NA_VE~1  TXT     70000", "EMPTYF~1     <DIR>", "FILE     BIN      4095"}) {
        EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
    }
}

TEST_F(FolderDiskToolsTest, LargeFoldersAndLeftOutFilesStayConsistent) {
    struct Case {
        const char* name;
        int items;
        uint64_t bigFile;
    };
    const Case cases[] = {{"511 root items", 511, 0},
                          {"512 root items", 512, 0},
                          {"5498 items", FolderDiskImage::kItemLimit, 0},
                          {"5499 items", FolderDiskImage::kItemLimit + 1, 0},
                          {"a 4 GiB file", 3, 4294967296},
                          {"a file beyond the data area", 3, 2145000000}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        FolderTree many;
        std::map<std::string, std::string> expected;
        for (int item = 0; item < test.items; ++item) {
            const std::string name = "F" + std::to_string(item);
            const std::string content = Pattern(static_cast<size_t>(item % 5) * 300, static_cast<uint32_t>(item));
            expected[(test.items >= 512 ? "TREE/" : "") + name] = content;
            many.File(std::filesystem::path("tree") / name, content);
        }
        if (test.bigFile > 0) {
            many.SparseFile("tree/BIG", test.bigFile);
        }
        // Beyond the limit the last items in name order are left out.
        while (static_cast<int32_t>(expected.size()) > FolderDiskImage::kItemLimit) {
            expected.erase(std::prev(expected.end()));
        }
        many.FixFolderTimes();
        FolderDiskImage disk(1 << 20);
        ASSERT_TRUE(disk.Open(common::PathString((many / "tree").u16string().c_str())));
        EXPECT_EQ(disk.IsComplete(), test.bigFile == 0 && test.items <= FolderDiskImage::kItemLimit);
        std::string listing;
        const auto copied = CheckedCopy(disk, listing);
        EXPECT_EQ(copied.size(), expected.size());
        EXPECT_TRUE(copied == expected);
    }
}

TEST_F(FolderDiskToolsTest, WhatMtoolsWritesReplaysThroughTheStream) {
    tree.File("KEEP.TXT", Pattern(3000, 1));
    tree.File("sub/OLD.BIN", Pattern(5000, 2));
    tree.FixFolderTimes();
    const auto hostBefore = Files(tree.Root());
    FolderDiskImage disk(1 << 20);
    ASSERT_TRUE(disk.Open(tree.RootPath()));
    const std::filesystem::path exported = work.Path() / "a.img";
    const std::filesystem::path changed = work.Path() / "b.img";
    ASSERT_TRUE(ExportImage(disk, exported));
    std::filesystem::copy_file(exported, changed);
    const std::string newFile = Pattern(9000, 3);
    std::ofstream(work.Path() / "new.bin", std::ios::binary).write(newFile.data(), 9000);
    const std::string image = "-i " + Quoted(changed) + "@@" + std::to_string(kPartitionOffset);
    std::string output;
    ASSERT_EQ(RunTool("mmd " + image + " ::NEWDIR", output), 0) << output;
    ASSERT_EQ(RunTool("mcopy " + image + " " + Quoted(work.Path() / "new.bin") + " ::NEWDIR/NEW.BIN", output), 0)
        << output;
    ASSERT_EQ(RunTool("mcopy -o " + image + " " + Quoted(work.Path() / "new.bin") + " ::SUB/OLD.BIN", output), 0)
        << output;

    const std::string before = Slurp(exported);
    const std::string after = Slurp(changed);
    ASSERT_EQ(before.size(), after.size());
    int replayed = 0;
    for (size_t sector = 0; sector < after.size(); sector += 512) {
        if (before.compare(sector, 512, after, sector, 512) != 0) {
            ASSERT_EQ(disk.WriteAt(after.data() + sector, static_cast<int64_t>(sector), 512), 512) << sector;
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 10);
    const std::filesystem::path again = work.Path() / "c.img";
    ASSERT_TRUE(ExportImage(disk, again));
    EXPECT_TRUE(Slurp(again) == after);
    EXPECT_EQ(Files(tree.Root()), hostBefore);
}

} // namespace
} // namespace emu

#endif
