#pragma once
// The list of listeners told that the port opened (2), closed (1) or changed (3).
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/nr_types.h"

class TnrNotifyList {
public:
    int Count() const;
    // Appends an entry; returns its index.
    int Add(TnrNotifyEvent::Routine routine, void* object);
    // Removes an entry. Once it returns the entry is never called again: a call of it running on
    // another thread has ended (a listener may remove itself while it is being called).
    void Delete(int index);
    void Clear();
    // Index of the first entry whose routine is the given one (the object is not compared), or -1.
    int IndexOf(TnrNotifyEvent::Routine routine, void* object) const;
    // Calls every entry in list order, without holding the list's lock: a listener may use the
    // list, or wait for a thread that does.
    void Call(QObject* Sender, int32_t Code);
    TnrNotifyEvent Get(int index) const;
    // Replaces an entry; the replaced one is removed as Delete removes it.
    void Put(int index, TnrNotifyEvent item);

private:
    struct Running {
        TnrNotifyEvent event;
        std::thread::id thread;
    };
    static bool Same(const TnrNotifyEvent& a, const TnrNotifyEvent& b) { return a.routine == b.routine && a.object == b.object; }
    bool Present(const TnrNotifyEvent& e) const;
    // Waits until no other thread runs a call of e (the lock held by `held`).
    void WaitForCallsOf(const TnrNotifyEvent& e, std::unique_lock<std::mutex>& held);

    mutable std::mutex lock_;
    std::condition_variable callEnded_;
    std::vector<TnrNotifyEvent> items_;
    std::vector<Running> running_;  // calls in progress
};
