#include "cli/stop_request.h"

// What both systems share; installing and removing the handler is the platform's file.
StopRequest::StopRequest(std::function<void()> onStop, QObject* parent) : QObject(parent), onStop_(std::move(onStop))
{
    install();
}

StopRequest::~StopRequest() { uninstall(); }

void StopRequest::deliver()
{
    requested_ = true;
    if (onStop_)
        onStop_();
}
