#include "emu/core/MouseService.h"

#include "emu/core/StateChunk.h"

namespace emu {

MouseService::MouseService() : TreeNode("_MOUSE") {}

void MouseService::Broadcast(const MouseEventRecord& event) {
    for (size_t index = 0; index < listeners.Count(); ++index) {
        listeners[index].callback(listeners[index].context, event);
    }
}

bool MouseService::AddListener(void* context, MouseListener listener) {
    listeners.Add(context, listener);
    return true;
}

bool MouseService::Start(int32_t&) {
    listeners.Clear();
    return true;
}

void MouseService::Stop() {
    listeners.Clear();
}

bool MouseService::SaveOwnData(common::RecordArchive& archive) {
    return WriteVersionChunk(archive, "_MOUS");
}

bool MouseService::LoadOwnData(common::RecordArchive& archive, common::NarrowString*) {
    return ReadVersionChunk(archive, "_MOUS");
}

} // namespace emu
