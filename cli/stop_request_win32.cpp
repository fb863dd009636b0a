// Ctrl+C on Windows: the console's control handler runs on a thread of its own; it hands the
// request to the object's thread through a queued call and tells the system it was handled.
#include "cli/stop_request.h"

#include <QMetaObject>
#include <QPointer>

#include <windows.h>

namespace {

QPointer<StopRequest> target;  // the handler needs it outside any object
std::function<void()> deliverOnTarget;

BOOL WINAPI onConsoleControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT)
        return FALSE;
    if (target.isNull() || !deliverOnTarget)
        return FALSE;
    QMetaObject::invokeMethod(target.data(), deliverOnTarget, Qt::QueuedConnection);
    return TRUE;
}

}  // namespace

void StopRequest::install()
{
    target = this;
    deliverOnTarget = [this] { deliver(); };
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

void StopRequest::uninstall()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    target = nullptr;
    deliverOnTarget = nullptr;
}
