#include "serial/nr_notify_list.h"

#include <algorithm>

int TnrNotifyList::Count() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(items_.size());
}

int TnrNotifyList::Add(TnrNotifyEvent::Routine routine, void* object)
{
    std::lock_guard<std::mutex> guard(lock_);
    items_.push_back(TnrNotifyEvent{routine, object});
    return static_cast<int>(items_.size()) - 1;
}

void TnrNotifyList::WaitForCallsOf(const TnrNotifyEvent& e, std::unique_lock<std::mutex>& held)
{
    const std::thread::id self = std::this_thread::get_id();
    callEnded_.wait(held, [&] {
        return std::none_of(running_.begin(), running_.end(),
                            [&](const Running& r) { return r.thread != self && Same(r.event, e); });
    });
}

void TnrNotifyList::Delete(int index)
{
    std::unique_lock<std::mutex> held(lock_);
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return;
    const TnrNotifyEvent removed = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    WaitForCallsOf(removed, held);
}

void TnrNotifyList::Clear()
{
    std::unique_lock<std::mutex> held(lock_);
    const std::vector<TnrNotifyEvent> removed = std::move(items_);
    items_.clear();
    for (const TnrNotifyEvent& e : removed)
        WaitForCallsOf(e, held);
}

int TnrNotifyList::IndexOf(TnrNotifyEvent::Routine routine, void* /*object*/) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].routine == routine)
            return static_cast<int>(i);
    return -1;
}

bool TnrNotifyList::Present(const TnrNotifyEvent& e) const
{
    return std::any_of(items_.begin(), items_.end(), [&](const TnrNotifyEvent& cur) { return Same(cur, e); });
}

void TnrNotifyList::Call(QObject* Sender, int32_t Code)
{
    std::unique_lock<std::mutex> held(lock_);
    // A listener may delete itself (or others) while being called: walk a copy, and skip
    // entries that are gone by the time their turn comes.
    const std::vector<TnrNotifyEvent> snapshot = items_;
    const std::thread::id self = std::this_thread::get_id();
    for (const TnrNotifyEvent& e : snapshot) {
        if (!e.routine || !Present(e))
            continue;
        // Noted as running before the lock is let go: a removal on another thread waits for it.
        running_.push_back(Running{e, self});
        held.unlock();
        struct Ended {
            TnrNotifyList& list;
            std::unique_lock<std::mutex>& held;
            const TnrNotifyEvent& e;
            std::thread::id self;
            ~Ended()
            {
                held.lock();
                const auto it = std::find_if(list.running_.begin(), list.running_.end(),
                                             [&](const Running& r) { return r.thread == self && Same(r.event, e); });
                if (it != list.running_.end())
                    list.running_.erase(it);
                list.callEnded_.notify_all();
            }
        } ended{*this, held, e, self};
        e.routine(e.object, Sender, Code);
    }
}

TnrNotifyEvent TnrNotifyList::Get(int index) const
{
    std::lock_guard<std::mutex> guard(lock_);
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return {};
    return items_[static_cast<size_t>(index)];
}

void TnrNotifyList::Put(int index, TnrNotifyEvent item)
{
    std::unique_lock<std::mutex> held(lock_);
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return;
    const TnrNotifyEvent replaced = items_[static_cast<size_t>(index)];
    items_[static_cast<size_t>(index)] = item;
    if (!Same(replaced, item))
        WaitForCallsOf(replaced, held);
}
