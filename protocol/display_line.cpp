#include "protocol/display_line.h"

#include "serial/nr_comm.h"

void configureDisplayLine(TnrComm& comm)
{
    comm.SetStopBits(sbTwo);
    comm.SetBaudRate(128000);
    comm.SetComPortNo(3);
    comm.SetStreamProtocol(spNone);
    comm.SetUseMainThread(false);
    comm.SetBufferInSize(8192);
    comm.SetBufferOutSize(8192);
}
