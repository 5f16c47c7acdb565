#include "FolderDisk.h"

#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace emu {
namespace {

using namespace test_support;

constexpr int64_t kClusterBytes = 2048;

class FolderDiskStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseUtc();
        tree.File("A.BIN", first);
        tree.File("SUB/B.BIN", second);
        tree.FixFolderTimes();
        ASSERT_TRUE(disk.Open(tree.RootPath()));
        // A.BIN: clusters 2-4; SUB: 5; B.BIN: 6.
        ASSERT_EQ(RootEntries(disk)[1].cluster, 2);
    }

    int64_t ClusterAt(uint32_t number) { return Layout(disk).ClusterAt(number); }

    const std::string first = Pattern(5000, 1);
    const std::string second = Pattern(700, 2);
    FolderTree tree;
    // One pool cluster of its own and two for each folder (root and SUB): four left after SUB took its cluster.
    FolderDiskImage disk{kClusterBytes};
};

TEST_F(FolderDiskStreamTest, TheStreamIsAFixedReadWriteDisk) {
    EXPECT_TRUE(disk.IsOpen());
    EXPECT_TRUE(disk.IsValid());
    EXPECT_TRUE(disk.CanRead());
    EXPECT_TRUE(disk.CanWrite());
    EXPECT_FALSE(disk.Growable());
    EXPECT_FALSE(disk.Resize(1 << 20));
    EXPECT_EQ(disk.Size(), 33546240);
    EXPECT_TRUE(disk.Seek(disk.Size()));
    EXPECT_FALSE(disk.Seek(disk.Size() + 1));
    EXPECT_EQ(disk.Tell(), disk.Size());
}

TEST_F(FolderDiskStreamTest, ReadsStopAtTheEnd) {
    char byte = 0;
    EXPECT_EQ(disk.ReadAt(&byte, disk.Size(), 1), 0);
    EXPECT_EQ(disk.ReadAt(&byte, disk.Size() + 100, 1), 0);
    EXPECT_EQ(disk.Tell(), disk.Size());
    std::string tail(1024, 'x');
    EXPECT_EQ(disk.ReadAt(tail.data(), disk.Size() - 512, 1024), 512);
    EXPECT_EQ(tail.substr(0, 512), std::string(512, '\0'));
    EXPECT_EQ(disk.Tell(), disk.Size());
    EXPECT_TRUE(disk.Seek(100));
    EXPECT_EQ(disk.Read(&byte, 1), 1);
    EXPECT_EQ(disk.Tell(), 101);
}

TEST_F(FolderDiskStreamTest, ReadsAcrossEveryEdgeEqualTheirBytesOneByOne) {
    const Layout layout(disk);
    const std::vector<int64_t> edges = {
        512,          kPartitionOffset, layout.fat,         layout.fat + layout.fatBytes,
        layout.root,  layout.data,      ClusterAt(3),       ClusterAt(2) + 5000,
        ClusterAt(5), ClusterAt(6),     ClusterAt(6) + 700, ClusterAt(7)};
    for (const int64_t edge : edges) {
        SCOPED_TRACE(edge);
        const std::string whole = ReadImage(disk, edge - 7, 14);
        std::string single;
        for (int64_t at = edge - 7; at < edge + 7; ++at) {
            single += ReadImage(disk, at, 1);
        }
        EXPECT_EQ(whole, single);
    }
    // The files, across their clusters and up to their clusters' ends.
    EXPECT_EQ(ReadImage(disk, ClusterAt(2), 3 * kClusterBytes), first + std::string(3 * kClusterBytes - 5000, '\0'));
    EXPECT_EQ(ReadImage(disk, ClusterAt(6) + 512, 512), second.substr(512) + std::string(324, '\0'));
    EXPECT_EQ(ReadImage(disk, ClusterAt(2) - 10, 20), std::string(10, '\0') + first.substr(0, 10));
}

TEST_F(FolderDiskStreamTest, AWriteIntoAFileClusterStaysInTheImage) {
    const char changed = '!';
    ASSERT_EQ(disk.WriteAt(&changed, ClusterAt(3) + 10, 1), 1);
    std::string expected = first.substr(kClusterBytes, kClusterBytes);
    expected[10] = changed;
    EXPECT_EQ(ReadImage(disk, ClusterAt(3), kClusterBytes), expected);
    EXPECT_EQ(ReadImage(disk, ClusterAt(2), 5000).substr(0, kClusterBytes), first.substr(0, kClusterBytes));
    EXPECT_EQ(ReadImage(disk, ClusterAt(4), 5000 - 2 * kClusterBytes), first.substr(2 * kClusterBytes));
    EXPECT_EQ(ReadImage(disk, ClusterAt(2) + kClusterBytes, 11).back(), changed);
    std::ifstream host(tree / "A.BIN", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(host), {}), first);
}

TEST_F(FolderDiskStreamTest, AnExhaustedPoolRefusesNewClustersOnly) {
    EXPECT_EQ(disk.FreePoolClusters(), 4);
    const std::string block(4 * kClusterBytes, 'w');
    // One write over clusters 100 to 103: four new clusters, all there is.
    ASSERT_EQ(disk.WriteAt(block.data(), ClusterAt(100), 4 * kClusterBytes), 4 * kClusterBytes);
    EXPECT_EQ(disk.FreePoolClusters(), 0);
    // A write that reaches a new cluster moves what lies before it.
    const int64_t edge = ClusterAt(104);
    EXPECT_EQ(disk.WriteAt(block.data(), edge - 100, 200), 100);
    EXPECT_EQ(disk.Tell(), edge);
    EXPECT_EQ(ReadImage(disk, ClusterAt(104), 100), std::string(100, '\0'));
    EXPECT_EQ(disk.WriteAt(block.data(), ClusterAt(2), 1), 0);
    EXPECT_EQ(ReadImage(disk, ClusterAt(2), 1), first.substr(0, 1));
    // The system area, the folders and the clusters taken still take writes.
    for (const int64_t at : {int64_t{0}, kPartitionOffset + 3, Layout(disk).fat + 100, Layout(disk).root + 64,
                             ClusterAt(5) + 96, ClusterAt(100) + 2000}) {
        SCOPED_TRACE(at);
        ASSERT_EQ(disk.WriteAt("zz", at, 2), 2);
        EXPECT_EQ(ReadImage(disk, at, 2), "zz");
    }
}

#ifndef _WIN32
TEST_F(FolderDiskStreamTest, AFileChangedAfterTheScanServesOnlyItsScannedBytes) {
    test_support::TemporaryFolder outside;
    outside.WriteFile(u"SECRET", std::string(5000, 'S'));
    const int64_t aAt = ClusterAt(2);
    const int64_t bAt = ClusterAt(6);
    struct Case {
        const char* name;
        std::function<void()> change;
        std::string readA; // empty: the read fails
    };
    const Case cases[] = {
        {"replaced by a link outside",
         [&] {
             std::filesystem::remove(tree / "A.BIN");
             std::filesystem::create_symlink(outside.Path() / "SECRET", tree / "A.BIN");
         },
         ""},
        {"shrunk", [&] { std::filesystem::resize_file(tree / "A.BIN", 100); }, ""},
        {"deleted", [&] { std::filesystem::remove(tree / "A.BIN"); }, ""},
        {"replaced by another file",
         [&] {
             tree.File("A.NEW", first);
             std::filesystem::rename(tree / "A.NEW", tree / "A.BIN");
         },
         ""},
        {"grown", [&] { std::ofstream(tree / "A.BIN", std::ios::app) << std::string(9000, 'G'); },
         first + std::string(3 * kClusterBytes - 5000, '\0')},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::filesystem::remove(tree / "A.BIN");
        tree.File("A.BIN", first);
        ASSERT_TRUE(disk.Open(tree.RootPath()));
        test.change();
        std::string read(3 * kClusterBytes, '\0');
        const int64_t count = disk.ReadAt(read.data(), aAt, 3 * kClusterBytes);
        if (test.readA.empty()) {
            EXPECT_EQ(count, 0);
            EXPECT_EQ(read.find('S'), std::string::npos);
            // A write into the file's cluster needs its bytes: refused too.
            EXPECT_EQ(disk.WriteAt("x", aAt, 1), 0);
        } else {
            EXPECT_EQ(count, 3 * kClusterBytes);
            EXPECT_EQ(read, test.readA);
        }
        EXPECT_EQ(ReadImage(disk, bAt, 700), second);
    }
}

TEST_F(FolderDiskStreamTest, AReadThatFailsHalfWayAnswersTheBytesBeforeIt) {
    std::filesystem::remove(tree / "SUB" / "B.BIN");
    const int64_t edge = ClusterAt(6);
    std::string read(4096, '\0');
    EXPECT_EQ(disk.ReadAt(read.data(), edge - 1000, 4096), 1000);
    EXPECT_EQ(disk.Tell(), edge);
}

TEST(FolderDiskEscapeTest, LinksAndSpecialFilesAreNeverFollowedNorOpened) {
    UseUtc();
    test_support::TemporaryFolder outside;
    outside.WriteFile(u"SECRET.TXT", "secret");
    std::filesystem::create_directory(outside.Path() / "DIR");
    outside.WriteFile(u"DIR/INNER.TXT", "inner");
    FolderTree tree;
    tree.File("KEEP.TXT", "keep");
    std::filesystem::create_symlink(outside.Path() / "SECRET.TXT", tree / "FILELINK");
    std::filesystem::create_directory_symlink(outside.Path() / "DIR", tree / "DIRLINK");
    std::filesystem::create_directory_symlink("..", tree / "UP");
    // A reader that opened the pipe would wait for a writer for ever.
    ASSERT_EQ(mkfifo((tree / "PIPE").c_str(), 0600), 0);
    tree.FixFolderTimes();
    FolderDiskImage disk(1 << 20);
    ASSERT_TRUE(disk.Open(tree.RootPath()));
    EXPECT_FALSE(disk.IsComplete());
    const std::vector<DirEntry> root = RootEntries(disk);
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[1].name, "KEEP    TXT");
    std::string all(static_cast<size_t>(disk.Size()), '\0');
    ASSERT_EQ(disk.ReadAt(all.data(), 0, disk.Size()), disk.Size());
    EXPECT_EQ(all.find("secret"), std::string::npos);
    EXPECT_EQ(all.find("inner"), std::string::npos);
}
#endif

// ---- State

// The records of a state, to be changed one at a time.
struct StateRecords {
    uint8_t version = 0;
    uint32_t size = 0;
    int64_t measure = 0;
    int32_t clusterCount = 0;
    int64_t poolBytes = 0;
    int32_t memoryBytes = 0;
    uint64_t fingerprint = 0;
    Bytes memory;
    std::vector<uint32_t> pool;
    int64_t position = 0;
    // Lengths written for the blobs when not those of the data (-1).
    int64_t memoryLength = -1;
    int64_t poolLength = -1;

    explicit StateRecords(const Bytes& state) {
        EXPECT_TRUE(ReadsWhole(state, [this](common::RecordArchive& archive) {
            archive.ReadRecordU8(version, Key("VER"));
            archive.ReadRecordU32(size, Key("SIZE"));
            archive.ReadRecordI64(measure, Key("TSIZE"));
            archive.ReadRecordI32(clusterCount, Key("CNUM"));
            archive.ReadRecordI64(poolBytes, Key("CSIZE"));
            archive.ReadRecordI32(memoryBytes, Key("MSIZE"));
            archive.ReadRecordU64(fingerprint, Key("FPRINT"));
            memory.resize(static_cast<size_t>(memoryBytes));
            archive.ReadRecordBlob(memory.data(), memoryBytes, Key("MDATA"));
            pool.resize(static_cast<size_t>(poolBytes / kClusterBytes));
            archive.ReadRecordBlob(pool.data(), static_cast<int64_t>(pool.size() * 4), Key("CDATA"));
            return archive.ReadRecordI64(position, Key("SPOS"));
        }));
    }

    Bytes Write() const {
        return Archived([this](common::RecordArchive& archive) {
            Bytes poolBytesData(pool.size() * 4);
            for (size_t slot = 0; slot < pool.size(); ++slot) {
                common::StoreLittleEndian(poolBytesData.data() + 4 * slot, 4, pool[slot]);
            }
            const int64_t memoryCount = memoryLength >= 0 ? memoryLength : static_cast<int64_t>(memory.size());
            const int64_t poolCount = poolLength >= 0 ? poolLength : static_cast<int64_t>(poolBytesData.size());
            Bytes memoryData(memory);
            memoryData.resize(static_cast<size_t>(memoryCount));
            poolBytesData.resize(static_cast<size_t>(poolCount));
            return archive.WriteRecordU8(version, Key("VER")) && archive.WriteRecordU32(size, Key("SIZE")) &&
                   archive.WriteRecordI64(measure, Key("TSIZE")) && archive.WriteRecordI32(clusterCount, Key("CNUM")) &&
                   archive.WriteRecordI64(poolBytes, Key("CSIZE")) &&
                   archive.WriteRecordI32(memoryBytes, Key("MSIZE")) &&
                   archive.WriteRecordU64(fingerprint, Key("FPRINT")) &&
                   archive.WriteRecordBlob(memoryData.data(), memoryCount, Key("MDATA")) &&
                   archive.WriteRecordBlob(poolBytesData.data(), poolCount, Key("CDATA")) &&
                   archive.WriteRecordI64(position, Key("SPOS"));
        });
    }
};

Bytes SaveDisk(FolderDiskImage& disk) {
    return Archived([&disk](common::RecordArchive& archive) { return disk.SaveState(archive); });
}

bool LoadDisk(FolderDiskImage& disk, const Bytes& state, common::NarrowString* note = nullptr) {
    return ReadsWhole(state, [&](common::RecordArchive& archive) { return disk.LoadState(archive, note); });
}

// What a guest can see of the disk: every byte, the position and the pool left.
std::string Visible(FolderDiskImage& disk) {
    std::string bytes(static_cast<size_t>(disk.Size()), '\0');
    const int64_t position = disk.Tell();
    disk.ReadAt(bytes.data(), 0, disk.Size());
    disk.Seek(position);
    return bytes + "|" + std::to_string(position) + "|" + std::to_string(disk.FreePoolClusters());
}

TEST_F(FolderDiskStreamTest, AStateKeepsWrittenClustersAndLaterWritesTakeFreshClusters) {
    ASSERT_EQ(disk.WriteAt("AAAA", ClusterAt(3) + 1, 4), 4);
    ASSERT_EQ(disk.WriteAt("BB", ClusterAt(300), 2), 2);
    ASSERT_EQ(disk.WriteAt("CC", Layout(disk).root + 200, 2), 2);
    ASSERT_TRUE(disk.Seek(12345));
    const Bytes state = SaveDisk(disk);
    const std::string before = Visible(disk);

    FolderDiskImage fresh(kClusterBytes);
    ASSERT_TRUE(fresh.Open(tree.RootPath()));
    ASSERT_TRUE(LoadDisk(fresh, state));
    EXPECT_EQ(Visible(fresh), before);
    // Three of the five pool clusters are taken: the next two writes fit, in clusters of their own.
    ASSERT_EQ(fresh.WriteAt("DD", ClusterAt(400), 2), 2);
    ASSERT_EQ(fresh.WriteAt("EE", ClusterAt(401), 2), 2);
    EXPECT_EQ(fresh.WriteAt("FF", ClusterAt(402), 2), 0);
    EXPECT_EQ(ReadImage(fresh, ClusterAt(300), 2), "BB");
    EXPECT_EQ(ReadImage(fresh, ClusterAt(400), 2), "DD");
    EXPECT_EQ(ReadImage(fresh, ClusterAt(3) + 1, 4), "AAAA");
}

TEST_F(FolderDiskStreamTest, AClosedDiskSavesItsSizeAlone) {
    FolderDiskImage closed;
    const Bytes state = SaveDisk(closed);
    EXPECT_TRUE(LoadDisk(closed, state));
    common::NarrowString note;
    EXPECT_FALSE(LoadDisk(disk, state, &note));
    EXPECT_STREQ(note.GetNarrow(), "Mounted folder was changed!");
}

TEST_F(FolderDiskStreamTest, BadOrForeignStatesAreRefusedWithNothingChanged) {
    ASSERT_EQ(disk.WriteAt("AAAA", ClusterAt(3) + 1, 4), 4);
    ASSERT_EQ(disk.WriteAt("BB", ClusterAt(300), 2), 2);
    const Bytes good = SaveDisk(disk);
    ASSERT_EQ(disk.WriteAt("later", ClusterAt(301), 5), 5);
    const std::string before = Visible(disk);
    // Pool slots: 0 SUB's cluster 5, 1 cluster 3, 2 cluster 300, 3 and 4 free.
    const StateRecords records(good);
    ASSERT_EQ(records.pool, (std::vector<uint32_t>{5, 3, 300, 0, 0}));
    const char* changed = "Mounted folder was changed!";
    struct Case {
        const char* name;
        std::function<void(StateRecords&)> change;
        const char* note;
    };
    const Case cases[] = {
        {"version 0", [](StateRecords& state) { state.version = 0; }, ""},
        {"another size", [](StateRecords& state) { state.size = 67092480; }, changed},
        {"another measure", [](StateRecords& state) { state.measure += 2; }, changed},
        {"another fingerprint", [](StateRecords& state) { state.fingerprint ^= 1; }, changed},
        {"another cluster count", [](StateRecords& state) { state.clusterCount += 1; }, changed},
        {"a larger pool",
         [](StateRecords& state) {
             state.poolBytes += kClusterBytes;
             state.memoryBytes += kClusterBytes;
         },
         changed},
        {"a memory size off the pool", [](StateRecords& state) { state.memoryBytes += 1; }, changed},
        {"a short memory blob", [](StateRecords& state) { state.memoryLength = 100; }, ""},
        {"a short pool blob", [](StateRecords& state) { state.poolLength = 8; }, ""},
        {"cluster 0 among used ones", [](StateRecords& state) { state.pool[1] = 0; }, ""},
        {"cluster 1", [](StateRecords& state) { state.pool[1] = 1; }, ""},
        {"a cluster past the map",
         [](StateRecords& state) { state.pool[2] = static_cast<uint32_t>(state.clusterCount); }, ""},
        {"a cluster twice", [](StateRecords& state) { state.pool[2] = 3; }, ""},
        {"a gap", [](StateRecords& state) { state.pool[4] = 301; }, ""},
        {"a position past the end", [](StateRecords& state) { state.position = state.size + 1; }, ""},
        {"a negative position", [](StateRecords& state) { state.position = -1; }, ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        StateRecords bad(good);
        test.change(bad);
        common::NarrowString note;
        EXPECT_FALSE(LoadDisk(disk, bad.Write(), &note));
        EXPECT_STREQ(note.GetNarrow(), test.note);
        EXPECT_EQ(Visible(disk), before);
    }
    for (size_t length = 0; length < good.size(); length += 97) {
        EXPECT_FALSE(LoadDisk(disk, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length))));
    }
    EXPECT_EQ(Visible(disk), before);
    // The same records as written by the test load: the table above changes one thing each.
    EXPECT_TRUE(LoadDisk(disk, StateRecords(good).Write()));
}

TEST_F(FolderDiskStreamTest, AStateOfAChangedFolderIsRefused) {
    const Bytes state = SaveDisk(disk);
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"a file grown", [&] { tree.File("A.BIN", first + "x"); }},
        {"a file renamed", [&] { std::filesystem::rename(tree / "A.BIN", tree / "C.BIN"); }},
        {"a file touched",
         [&] {
             std::filesystem::last_write_time(tree / "SUB" / "B.BIN",
                                              std::filesystem::last_write_time(tree / "SUB" / "B.BIN") +
                                                  std::chrono::hours(1));
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        test.change();
        FolderDiskImage changedDisk(kClusterBytes);
        ASSERT_TRUE(changedDisk.Open(tree.RootPath()));
        const std::string before = Visible(changedDisk);
        common::NarrowString note;
        EXPECT_FALSE(LoadDisk(changedDisk, state, &note));
        EXPECT_STREQ(note.GetNarrow(), "Mounted folder was changed!");
        EXPECT_EQ(Visible(changedDisk), before);
    }
}

} // namespace
} // namespace emu
