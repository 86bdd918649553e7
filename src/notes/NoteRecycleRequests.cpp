#include "NoteRecycleRequests.h"

#include <mutex>

#include "TavNoteItem.h"

namespace {

struct Queue {
    std::mutex lock;
    std::vector<std::set<std::wstring>> sets;
};

Queue& queue() {
    static Queue q;
    return q;
}

} // namespace

bool postRecycleByName(HWND mainWindow, std::set<std::wstring> names) {
    Queue& q = queue();
    {
        std::lock_guard<std::mutex> hold(q.lock);
        q.sets.push_back(std::move(names));
    }
    if (PostMessageW(mainWindow, kNoteMsgRecycleByName, 0, 0)) return true;
    std::lock_guard<std::mutex> hold(q.lock);
    q.sets.pop_back();
    return false;
}

std::vector<std::set<std::wstring>> takeRecycleRequests() {
    Queue& q = queue();
    std::lock_guard<std::mutex> hold(q.lock);
    std::vector<std::set<std::wstring>> taken;
    taken.swap(q.sets);
    return taken;
}
