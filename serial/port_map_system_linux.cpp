// The machine's own port map on Linux: port links, then the hardware ports of sysfs.
#include "serial/port_map.h"

std::shared_ptr<TnrPortMapSource> MakeSystemPortMap() { return std::make_shared<TnrSystemPortMap>(); }
