#include "gui/TitledWindowBase.h"

#include "gui/MenuBar.h"

#include <algorithm>
#include <cmath>

namespace gui {

TitledWindowBase::TitledWindowBase() = default;

TitledWindowBase::~TitledWindowBase() {
    MarkDestroying();
}

FrameWindow* TitledWindowBase::GetFrameWindow() {
    Window* parent = GetParent();
    return parent != nullptr ? parent->GetFrameWindow() : nullptr;
}

bool TitledWindowBase::SetMenuBar(MenuBar* bar) {
    if (bar == menuBar.get()) {
        return true;
    }
    if (IsCreated()) {
        return false;
    }
    menuBar.reset(bar);
    return true;
}

FrameWindowBase::FrameWindowBase(int32_t placementMode, common::TimerList::Counter* counter)
    : timers(counter), placementMode(placementMode) {}

FrameWindowBase::~FrameWindowBase() {
    MarkDestroying();
}

bool FrameWindowBase::AddTimerTask(int32_t interval, TimerTask task, uintptr_t context,
                                   common::TimerList::Entry** entry) {
    if (interval < 1 || interval > 1000 || task == nullptr) {
        return false;
    }
    const auto rate = static_cast<int32_t>(std::floor(1000.0f / static_cast<float>(interval) + 0.5f));
    common::LockGuard guard(&lock);
    auto record = std::make_unique<Task>(Task{task, context});
    Task* added = record.get();
    record->entry = timers.Add(std::max(rate, 1), [this, added](uint64_t&) {
        if (!added->removed) {
            added->function(this, added->context);
        }
        return true;
    });
    if (record->entry == nullptr) {
        return false;
    }
    if (entry != nullptr) {
        *entry = record->entry;
    }
    tasks.push_back(std::move(record));
    return !IsCreated() || StartTimers(false);
}

void FrameWindowBase::RemoveTimerTask(common::TimerList::Entry* entry) {
    if (entry == nullptr) {
        return;
    }
    common::LockGuard guard(&lock);
    auto found = std::find_if(tasks.begin(), tasks.end(),
                              [entry](const std::unique_ptr<Task>& task) { return task->entry == entry; });
    if (found == tasks.end()) {
        return;
    }
    if (running) {
        // The list is being walked, maybe through this very task: unlink when the walk is over.
        (*found)->removed = true;
        return;
    }
    timers.Unlink(entry);
    tasks.erase(found);
}

bool FrameWindowBase::StartTimers(bool resync) {
    common::LockGuard guard(&lock);
    if (tasks.empty()) {
        return false;
    }
    if (resync) {
        timers.Resync();
    }
    return true;
}

void FrameWindowBase::RunTimerTasks() {
    common::LockGuard guard(&lock);
    if (running) {
        return;
    }
    running = true;
    timers.RunDue(nullptr);
    running = false;
    std::erase_if(tasks, [this](const std::unique_ptr<Task>& task) {
        if (task->removed) {
            timers.Unlink(task->entry);
        }
        return task->removed;
    });
}

} // namespace gui
