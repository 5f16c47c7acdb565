// The title and menu bar of a titled window, and the frame window's timer tasks.
#pragma once

#include "gui/ContainerBase.h"
#include "gui/TitledWindow.h"

#include "common/CriticalLock.h"
#include "common/TimerList.h"

#include <memory>
#include <vector>

namespace gui {

class TitledWindowBase : public virtual TitledWindow, public virtual ContainerBase {
public:
    TitledWindow* GetTopLevelWindow() override { return this; }
    // The owner's frame window (a dialog's), none without a parent.
    FrameWindow* GetFrameWindow() override;

    common::WideString GetTitle() const override { return title; }
    void SetTitle(const common::String& newTitle) override { title.Assign(newTitle); }
    MenuBar* GetMenuBar() const override { return menuBar.get(); }
    bool SetMenuBar(MenuBar* bar) override;

protected:
    TitledWindowBase();
    ~TitledWindowBase() override;

    const common::WideString& Title() const { return title; }

private:
    std::unique_ptr<MenuBar> menuBar;
    common::WideString title;
};

// Runs periodic tasks on the GUI thread. Tasks may be added and removed from any thread, also from inside a
// running task: the list is guarded by one recursive lock, which the GUI thread also holds while it runs them.
class FrameWindowBase : public virtual FrameWindow, public virtual TitledWindowBase {
public:
    using FrameWindow::AddTimerTask;

    FrameWindow* GetFrameWindow() override { return this; }

    // Refuses an interval outside 1 to 1000 ms; the task runs floor(1000 / interval + 0.5) times a second.
    bool AddTimerTask(int32_t interval, TimerTask task, uintptr_t context, common::TimerList::Entry** entry) override;
    void RemoveTimerTask(common::TimerList::Entry* entry) override;
    // False without tasks; resync re-reads the counter's frequency.
    bool StartTimers(bool resync) override;

    // Runs the due tasks, on the GUI thread. A tick that arrives while tasks run (a task runs a nested message
    // loop) is skipped.
    void RunTimerTasks();

    int32_t GetPlacementMode() const { return placementMode; }
    void SetPlacementMode(int32_t mode) { placementMode = mode; }

protected:
    // A null counter means the host's performance counter.
    explicit FrameWindowBase(int32_t placementMode, common::TimerList::Counter* counter = nullptr);
    ~FrameWindowBase() override;

private:
    struct Task {
        TimerTask function;
        uintptr_t context;
        common::TimerList::Entry* entry = nullptr;
        bool removed = false; // removed from inside a task: unlinked once the tasks have run
    };

    common::CriticalLock lock;
    common::TimerList timers;
    std::vector<std::unique_ptr<Task>> tasks;
    bool running = false; // written under the lock, by the GUI thread
    int32_t placementMode;
};

} // namespace gui
