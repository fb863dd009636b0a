#include "transfer/background_priority.h"

#include <windows.h>

void lowerThisThreadsPriority() { ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }
