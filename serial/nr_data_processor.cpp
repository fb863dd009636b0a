#include "serial/nr_data_processor.h"

#include <cstdio>

#include "serial/nr_base_io.h"
#include "serial/nr_log.h"

TnrCustomDataProcessor::TnrCustomDataProcessor(QObject* owner) : QObject(owner) {}

TnrCustomDataProcessor::~TnrCustomDataProcessor() { SetDevice(nullptr); }

void TnrCustomDataProcessor::SetDevice(TnrBaseIO* device)
{
    if (fDevice) {
        fDevice->NotifyDelete(&TnrCustomDataProcessor::NotifyRoutine, this);
        if (fDevice->DataProcessor() == this)
            fDevice->SetDataProcessor(nullptr);
    }
    fDevice = device;
    if (fDevice) {
        fDevice->NotifyAdd(&TnrCustomDataProcessor::NotifyRoutine, this);
        fDevice->SetDataProcessor(this);
    }
}

void TnrCustomDataProcessor::NotifyRoutine(void* object, QObject* /*sender*/, int32_t code)
{
    auto* self = static_cast<TnrCustomDataProcessor*>(object);
    if (!self->fLog)
        return;
    if (code == 2)
        self->fLog->AddLog(dlSimple, self->sLogPrefix + "Medium Opened");
    if (code == 1)
        self->fLog->AddLog(dlSimple, self->sLogPrefix + "Medium Closed");
}

void TnrCustomDataProcessor::DoProcessing(const void* Buffer, uint32_t Len, uint32_t& Flags)
{
    if (fDataProcessor)
        fDataProcessor->DoProcessing(Buffer, Len, Flags);
}

bool TnrCustomDataProcessor::DoAfterSendComplete() { return fDataProcessor ? fDataProcessor->DoAfterSendComplete() : false; }

bool TnrCustomDataProcessor::DoDataSend(const void* Buffer, uint32_t Len, bool Synchro)
{
    bool handled = false;
    if (fLog)
        fLog->AddLogFmt(dlDebug, sLogPrefix + "DoDataSend: %u bytes",
                        sLogPrefix + "DoDataSend: " + std::to_string(Len) + " bytes");
    if (fOnDataSend)
        fOnDataSend(this, Buffer, Len, Synchro, handled);
    return handled;
}

void TnrCustomDataProcessor::DoFatalError(uint32_t ErrorCode, uint32_t Detail, const std::string& ErrorMsg)
{
    bool raise = true;
    if (fOnFatalError)
        fOnFatalError(this, ErrorCode, Detail, ErrorMsg, raise);
    if (fLog)
        WriteFatalErrorLine(*fLog, ErrorCode, Detail, ErrorMsg);
}
