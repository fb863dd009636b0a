#include "serial/nr_timer.h"

#include <QTimer>

TnrTimer::TnrTimer(QObject* parent) : QObject(parent), FTimer(new QTimer(this))
{
    connect(FTimer, &QTimer::timeout, this, [this] { Tick(); });
}

TnrTimer::~TnrTimer() = default;

void TnrTimer::SetInterval(uint32_t value)
{
    FInterval = value;
    UpdateTimer();
}

void TnrTimer::SetEnabled(bool value)
{
    FEnabled = value;
    UpdateTimer();
}

void TnrTimer::SetOnTimer(TNotifyEvent value)
{
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TnrTimer::UpdateTimer()
{
    FTimer->stop();
    if (FInterval != 0 && FEnabled && FOnTimer)
        FTimer->start(static_cast<int>(FInterval));
}

void TnrTimer::Tick()
{
    if (!FEnabled || !FOnTimer)
        return;
    try {
        FOnTimer(this);
    } catch (...) {
        // a tick's exception is dropped
    }
}
