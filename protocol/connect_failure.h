#pragma once
#include <QString>

// Why a port did not open, in words a user can act on. The serial component's open error reads
// "Device "COM3" Open Error !!!" followed by a carriage return and the system's own text; the
// texts that have a known remedy get it added, any other text is kept as the system wrote it.
QString openFailureReason(const QString& openError);

// Status panel 1 while the connect attempts go on: the port being tried and why it failed.
QString connectAttemptText(const QString& portName, const QString& openError);

// Status panel 1 when a command is pressed while no port is open.
QString notConnectedText();
