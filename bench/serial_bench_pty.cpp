#include "serial_bench_pty.h"
#include "protocol/display_line.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <stdexcept>

BenchPty::BenchPty()
{
    int slave = -1;
    char name[256] = {0};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    ::close(slave);
    slave_ = name;
}

BenchPty::~BenchPty()
{
    CloseMaster();
}

void BenchPty::CloseMaster()
{
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

std::unique_ptr<TnrComm> OpenComm(const BenchPty& pty, TnrPortFilter filter)
{
    auto comm = std::make_unique<TnrComm>();
    comm->SetPortFilter(std::move(filter));
    comm->SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{pty.SlavePath(), "COM3"}}));
    configureDisplayLine(*comm);
    comm->SetBaudRate(921600);
    comm->SetActive(true);
    return comm;
}
