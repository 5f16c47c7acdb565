// Windows with a title and a menu bar (the main window, dialogs), and frame windows that also run timer tasks.
#pragma once

#include "gui/Container.h"

#include "common/TimerList.h"
#include "common/WideString.h"

namespace gui {

class MenuBar;

class TitledWindow : public virtual Container {
public:
    // Asked once before the native window is made; false stops the creation.
    virtual bool OnCreate() = 0;
    virtual common::WideString GetTitle() const = 0;
    virtual void SetTitle(const common::String& title) = 0;
    virtual MenuBar* GetMenuBar() const = 0;
    // Only before creation; on success the window owns the bar.
    virtual bool SetMenuBar(MenuBar* bar) = 0;
};

// Called on the GUI thread with the frame window and the context it was added with.
using TimerTask = void (*)(Window* frame, uintptr_t context);

class FrameWindow : public virtual TitledWindow {
public:
    // Runs the task every interval milliseconds (1 to 1000); entry, when given, gets what RemoveTimerTask takes.
    virtual bool AddTimerTask(int32_t interval, TimerTask task, uintptr_t context,
                              common::TimerList::Entry** entry) = 0;
    bool AddTimerTask(int32_t interval, TimerTask task, uintptr_t context) {
        return AddTimerTask(interval, task, context, nullptr);
    }
    virtual void RemoveTimerTask(common::TimerList::Entry* entry) = 0;
    virtual bool StartTimers(bool resync) = 0;
};

} // namespace gui
