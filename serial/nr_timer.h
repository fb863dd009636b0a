#pragma once
// A timer that ticks on the thread that created it, while that thread processes its events.
#include <QObject>
#include <cstdint>

#include "serial/nr_types.h"

class QTimer;

class TnrTimer : public QObject {
    Q_OBJECT
public:
    explicit TnrTimer(QObject* parent = nullptr);
    ~TnrTimer() override;

    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent value);

private:
    void UpdateTimer();
    void Tick();

    uint32_t FInterval = 1000;
    QTimer* FTimer;  // stands in for the hidden window's timer number 1
    TNotifyEvent FOnTimer;
    bool FEnabled = true;
};
