#pragma once
// A port that tells an observer every byte it reads and writes, for a protocol trace. It wraps
// the ports the component opens (TnrCustomComm::SetPortFilter); reads are told on the receive
// thread, writes on the writer thread, so the observer must take care of its own locking.
#include <cstddef>
#include <functional>

#include "serial/nr_custom_comm.h"

// sent: true for bytes written to the line, false for bytes read from it.
using TnrPortObserver = std::function<void(bool sent, const void* data, std::size_t size)>;

TnrPortFilter ObservingPortFilter(TnrPortObserver observer);
