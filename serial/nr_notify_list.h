#pragma once
// The list of listeners told that the port opened (2), closed (1) or changed (3).
#include <mutex>
#include <vector>

#include "serial/nr_types.h"

class TnrNotifyList {
 public:
  int Count() const;
  // Appends an entry; returns its index.
  int Add(TnrNotifyEvent::Routine routine, void* object);
  void Delete(int index);
  void Clear();
  // Index of the first entry whose routine is the given one (the object is not compared), or -1.
  int IndexOf(TnrNotifyEvent::Routine routine, void* object) const;
  // Calls every entry in list order. A listener may be removed from another thread while the
  // list is being called: the removal waits until the call has ended.
  void Call(QObject* Sender, int32_t Code);
  TnrNotifyEvent Get(int index) const;
  void Put(int index, TnrNotifyEvent item);

 private:
  mutable std::recursive_mutex lock_;
  std::vector<TnrNotifyEvent> items_;
};
