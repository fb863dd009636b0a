#pragma once
// The serial line the display talks on, as every program of ours sets up the component: two stop
// bits, no stream protocol, receive handling off the window's thread, 8 KiB queues each way, the
// port named COM3 until the user picks another. The baud rate stored here is the first link
// type's; the loop sets the link type's own rate at each opening.
class TnrComm;

void configureDisplayLine(TnrComm& comm);
