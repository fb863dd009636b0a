#pragma once
// The component's line-control block as the Windows port takes it. Pure; Windows build only.
#include "serial/nr_types.h"

struct _DCB;

// Fills the system's DCB from the component's block: the flag word bit by bit into the DCB's
// bit fields (the same layout), and every other field as it stands.
void ToWin32Dcb(const TDCB& from, _DCB& to);
