#pragma once

#include <atomic>
#include <thread>

namespace test_support {

// Lets a number of threads begin together. std::latch hangs now and then with the mingw runtime under Wine, so
// the threaded tests use this plain spinning gate instead.
class StartGate {
public:
    explicit StartGate(int parties) : remaining(parties) {}

    void ArriveAndWait() {
        --remaining;
        while (remaining > 0)
            std::this_thread::yield();
    }

private:
    std::atomic<int> remaining;
};

} // namespace test_support
