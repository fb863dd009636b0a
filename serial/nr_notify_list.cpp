#include "serial/nr_notify_list.h"

int TnrNotifyList::Count() const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return static_cast<int>(items_.size());
}

int TnrNotifyList::Add(TnrNotifyEvent::Routine routine, void* object)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    items_.push_back(TnrNotifyEvent{routine, object});
    return static_cast<int>(items_.size()) - 1;
}

void TnrNotifyList::Delete(int index)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (index >= 0 && index < static_cast<int>(items_.size()))
        items_.erase(items_.begin() + index);
}

void TnrNotifyList::Clear()
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    items_.clear();
}

int TnrNotifyList::IndexOf(TnrNotifyEvent::Routine routine, void* /*object*/) const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].routine == routine)
            return static_cast<int>(i);
    return -1;
}

void TnrNotifyList::Call(QObject* Sender, int32_t Code)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    // A listener may delete itself (or others) while being called: walk a copy, and skip
    // entries that are gone by the time their turn comes.
    const std::vector<TnrNotifyEvent> snapshot = items_;
    for (const TnrNotifyEvent& e : snapshot) {
        bool present = false;
        for (const TnrNotifyEvent& cur : items_)
            if (cur.routine == e.routine && cur.object == e.object) present = true;
        if (present && e.routine)
            e.routine(e.object, Sender, Code);
    }
}

TnrNotifyEvent TnrNotifyList::Get(int index) const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (index < 0 || index >= static_cast<int>(items_.size())) return {};
    return items_[index];
}

void TnrNotifyList::Put(int index, TnrNotifyEvent item)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (index >= 0 && index < static_cast<int>(items_.size()))
        items_[index] = item;
}
