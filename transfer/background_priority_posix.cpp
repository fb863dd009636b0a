#include "transfer/background_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void lowerThisThreadsPriority()
{
    // On Linux a thread's nice value is its own; a refusal leaves it as it was.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, 10);
}
