#include "common/CriticalLock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace common {
namespace {

TEST(CriticalLockTest, GuardsNestAndCountTheirDepth) {
    CriticalLock lock;
    EXPECT_EQ(lock.Nesting(), 0);
    {
        LockGuard outer(&lock);
        EXPECT_EQ(lock.Nesting(), 1);
        {
            LockGuard inner(&lock);
            EXPECT_EQ(lock.Nesting(), 2);
        }
        EXPECT_EQ(lock.Nesting(), 1);
    }
    EXPECT_EQ(lock.Nesting(), 0);
    LockGuard nothing(nullptr);
}

TEST(CriticalLockTest, KeepsThreadsOutOfEachOther) {
    CriticalLock lock;
    int total = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                LockGuard guard(&lock);
                ++total;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(total, 40000);
    EXPECT_EQ(lock.Nesting(), 0);
}

} // namespace
} // namespace common
