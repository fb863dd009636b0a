#include "app/keep_awake.h"

#include <windows.h>

struct KeepAwake::Platform {};

KeepAwake::KeepAwake() : platform_(std::make_unique<Platform>()) {}

KeepAwake::~KeepAwake()
{
    if (held_)
        ::SetThreadExecutionState(ES_CONTINUOUS);
}

void KeepAwake::hold(bool awake)
{
    if (awake == held_)
        return;
    held_ = awake;
    // The system stays awake while this thread's request stands; ES_CONTINUOUS alone clears it.
    ::SetThreadExecutionState(awake ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) : ES_CONTINUOUS);
}
