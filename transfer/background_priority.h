#pragma once

// Lowers the calling thread's scheduling priority, so a background read gives way to the
// window's thread on a busy machine.
void lowerThisThreadsPriority();
