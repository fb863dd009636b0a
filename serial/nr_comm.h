#pragma once
// The serial component: publishes the properties of its chain.
#include "serial/nr_custom_serial_comm.h"
#include "serial/nr_errors.h"
#include "serial/port_map.h"

class TnrComm : public TnrCustomSerialComm {
    Q_OBJECT
public:
    explicit TnrComm(QObject* owner = nullptr);
    ~TnrComm() override;
};
