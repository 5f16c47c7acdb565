// The application object's interface: initialise (making the main window), run the GUI thread's message loop,
// end, and tell another thread when the GUI thread has emptied its queue.
#pragma once

#include <cstdint>

namespace gui {

class FrameWindow;

class Application {
public:
    virtual ~Application() = default;

    // Sets exitCode: 0 when the application is ready to run, -1 when not (then false).
    virtual bool Init(int32_t& exitCode) = 0;
    // The message loop; the exit code of the quit message, -1 without a main window.
    virtual int32_t Run() = 0;
    // Releases the main window and what the loop left.
    virtual void Exit() = 0;
    // Destroys the main window's native window; false without one.
    virtual bool DestroyMainWindow() = 0;
    virtual FrameWindow* GetMainWindow() = 0;
    // From any thread: waits in 1 ms steps (timeout of them; 0 not at all, -1 without limit) until the GUI thread
    // waits for messages with an empty queue. True when it did, or no loop runs; false when the steps ran out.
    virtual bool WaitForIdle(int32_t timeout) = 0;
};

} // namespace gui
