#include "bench/serial_bench_comm.h"

#include "protocol/display_line.h"

std::unique_ptr<TnrComm> OpenComm(const PtyPair& pty, TnrPortFilter filter)
{
    auto comm = std::make_unique<TnrComm>();
    comm->SetPortFilter(std::move(filter));
    comm->SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{pty.SlavePath(), "COM3"}}));
    configureDisplayLine(*comm);
    comm->SetBaudRate(921600);
    comm->SetActive(true);
    return comm;
}
