#include "serial/nr_comm.h"

TnrComm::TnrComm(QObject* owner) : TnrCustomSerialComm(owner) {}

TnrComm::~TnrComm()
{
    // the receive threads end while the whole component still exists
    ShutDown();
}
