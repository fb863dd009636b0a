#pragma once
// The port picker: a drop-down list of the component's devices; picking one sets the port number.
// For a serial component the list ends with "Network bridge…": it asks for a bridge's address,
// lists the bridge for this run and selects it; Cancel leaves the port as it was.
#include <QComboBox>
#include <QPointer>
#include <QString>
#include <functional>

#include "serial/nr_base_io.h"

class TnrNetBridgeDialog;

class TnrDeviceBox : public QComboBox {
    Q_OBJECT
public:
    explicit TnrDeviceBox(QWidget* parent = nullptr);
    ~TnrDeviceBox() override;

    TnrBaseIO* nrComm() const { return fComm; }
    void SetnrComm(TnrBaseIO* comm);
    void Reload();
    bool ResetOnChanged() const { return fReset; }
    void SetResetOnChanged(bool value) { fReset = value; }
    // Picking an entry may reopen the port and fail: the text goes here, never through Qt's loop.
    void SetErrorReport(std::function<void(const QString&)> fn) { errorReport_ = std::move(fn); }
    int WMDeviceChange(const TWMDeviceChange& message);
    // The user picked the entry at index (what a pick in the list does).
    void Change(int index);
    // Shows the "Network bridge…" dialog; true when the user confirmed it (null: the dialog's own exec).
    void SetBridgeDialogRunner(std::function<bool(TnrNetBridgeDialog&)> runner) { bridgeDialogRunner_ = std::move(runner); }
    // The index of the "Network bridge…" entry, -1 when the list has none.
    int BridgeEntryIndex() const { return bridgeEntry_; }
    // Opening the list enumerates the ports again, so a cable plugged in after start-up is listed.
    void showPopup() override;

private:
    static void NotifyCallback(void* object, QObject* sender, int32_t code);
    void Notification();
    void Bind(TnrBaseIO* comm);
    QString ToolTipFor(const TnrDevice* device) const;
    void AskForBridge();

    QPointer<TnrBaseIO> fComm;
    bool fReset = false;
    bool loading_ = false;
    int bridgeEntry_ = -1;
    std::function<bool(TnrNetBridgeDialog&)> bridgeDialogRunner_;
    std::function<void(const QString&)> errorReport_;
    QMetaObject::Connection destroyedConnection_;
};
