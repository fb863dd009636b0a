#pragma once
// The attachable receive consumer: the component hands it every received block and asks it
// whether it handled the end of a transmission.
#include <QObject>
#include <cstdint>
#include <string>

#include "serial/nr_types.h"

class TnrBaseIO;
class TnrCustomLogFile;
class TnrTimer;

class TnrCustomDataProcessor : public QObject {
    Q_OBJECT
public:
    explicit TnrCustomDataProcessor(QObject* owner = nullptr);
    ~TnrCustomDataProcessor() override;

    TnrBaseIO* Device() const { return fDevice; }
    void SetDevice(TnrBaseIO* device);
    TnrCustomDataProcessor* DataProcessor() const { return fDataProcessor; }
    void SetDataProcessor(TnrCustomDataProcessor* next) { fDataProcessor = next; }
    bool Active() const { return fActive; }
    void SetActive(bool value) { fActive = value; }
    TnrCustomLogFile* Log() const { return fLog; }
    void SetLog(TnrCustomLogFile* log) { fLog = log; }
    void SetOnFatalError(TOnFatalErrorEvent ev) { fOnFatalError = std::move(ev); }
    void SetOnDataSend(TDataSendEvent ev) { fOnDataSend = std::move(ev); }

    // A received block; bit 0 of Flags set keeps it from the terminal. Passes it down the chain.
    virtual void DoProcessing(const void* Buffer, uint32_t Len, uint32_t& Flags);
    // Whether the end of a transmission was handled here (OnAfterSend is then not called).
    virtual bool DoAfterSendComplete();
    // Offers a block for sending through OnDataSend; returns whether it was handled.
    bool DoDataSend(const void* Buffer, uint32_t Len, bool Synchro);

protected:
    void DoFatalError(uint32_t ErrorCode, uint32_t Detail, const std::string& ErrorMsg);

private:
    static void NotifyRoutine(void* object, QObject* sender, int32_t code);

    TnrBaseIO* fDevice = nullptr;
    TnrCustomDataProcessor* fDataProcessor = nullptr;
    bool fActive = true;
    TOnFatalErrorEvent fOnFatalError;
    TnrCustomLogFile* fLog = nullptr;
    TDataSendEvent fOnDataSend;
    TnrTimer* fTimerAsync = nullptr;
    std::string sLogPrefix = "DataProcessor: ";
};
