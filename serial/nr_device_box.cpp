#include "serial/nr_device_box.h"

#include <QFileInfo>
#include <QThread>

#include "serial/net_address.h"
#include "serial/net_bridge_dialog.h"
#include "serial/nr_custom_serial_comm.h"

TnrDeviceBox::TnrDeviceBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);  // drop-down list: pick, never type
    connect(this, &QComboBox::activated, this, [this](int index) { Change(index); });
}

TnrDeviceBox::~TnrDeviceBox()
{
    if (fComm)
        fComm->NotifyDelete(&TnrDeviceBox::NotifyCallback, this);
}

void TnrDeviceBox::SetnrComm(TnrBaseIO* comm) { Bind(comm); }

void TnrDeviceBox::Reload() { Bind(fComm); }

void TnrDeviceBox::Bind(TnrBaseIO* comm)
{
    loading_ = true;
    bridgeEntry_ = -1;
    clear();
    setCurrentIndex(-1);
    if (fComm && fComm != comm) {
        fComm->NotifyDelete(&TnrDeviceBox::NotifyCallback, this);
        disconnect(destroyedConnection_);
    }
    if (comm) {
        TnrDeviceEntries entries;
        comm->GetDeviceList(&entries);
        for (const auto& [text, device] : entries) {
            // a network bridge shows its address beside its name
            const bool bridge = LooksLikeNetAddress(device->NamePDO);
            addItem(QString::fromStdString(bridge ? text + "  " + device->NamePDO : text));
            setItemData(count() - 1, ToolTipFor(device), Qt::ToolTipRole);
        }
        if (qobject_cast<TnrCustomSerialComm*>(comm)) {
            addItem(QStringLiteral("Network bridge\u2026"));
            bridgeEntry_ = count() - 1;
        }
        setCurrentIndex(comm->DeviceIndex());
        comm->NotifyAdd(&TnrDeviceBox::NotifyCallback, this);
        if (fComm != comm)
            destroyedConnection_ = connect(comm, &QObject::destroyed, this, [this] { Notification(); });
    }
    fComm = comm;
    loading_ = false;
}

QString TnrDeviceBox::ToolTipFor(const TnrDevice* device) const
{
    const QString path = QString::fromStdString(device->NamePDO);
    const QString target = QFileInfo(path).canonicalFilePath();
    QString tip = target.isEmpty() ? path : target;
    if (!target.isEmpty() && target != path)
        tip = path + QStringLiteral(" \u2192 ") + target;
    if (auto* serial = qobject_cast<TnrCustomSerialComm*>(fComm.data() ? fComm.data() : device->Parent())) {
        const std::string product = serial->PortMapSource()->ProductName(device->NamePDO);
        if (!product.empty())
            tip += QStringLiteral("\n") + QString::fromStdString(product);
    }
    return tip;
}

void TnrDeviceBox::Change(int index)
{
    if (index >= 0 && index == bridgeEntry_) {
        AskForBridge();
        return;
    }
    if (fComm) {
        try {
            fComm->SetDeviceIndex(index);
        } catch (const std::exception& e) {
            // the new number stays set and the port stays closed; the window shows why
            if (errorReport_)
                errorReport_(QString::fromStdString(e.what()));
        }
    }
}

void TnrDeviceBox::AskForBridge()
{
    // No port changes until an address is confirmed: the current one shows meanwhile, and again
    // after a Cancel.
    setCurrentIndex(fComm ? fComm->DeviceIndex() : -1);
    TnrNetBridgeDialog dialog(this);
    const bool confirmed = bridgeDialogRunner_ ? bridgeDialogRunner_(dialog) : dialog.exec() == QDialog::Accepted;
    auto* serial = qobject_cast<TnrCustomSerialComm*>(fComm.data());  // it may be gone meanwhile
    const std::optional<NetAddress> address = dialog.address();
    if (!confirmed || !serial || !address)
        return;
    const uint16_t number = serial->AddNetworkBridge(address->Text());  // the list is rebuilt
    for (int i = 0; i < serial->DeviceCount(); ++i)
        if (serial->Device(i)->Data == number) {
            Change(i);
            break;
        }
    setCurrentIndex(fComm ? fComm->DeviceIndex() : -1);
}

void TnrDeviceBox::showPopup()
{
    // The component's own update: it enumerates again and notifies a changed device list, on
    // which the picker rebuilds its items and selects the port number, if it is still listed.
    if (fComm)
        fComm->Update();
    QComboBox::showPopup();
}

void TnrDeviceBox::NotifyCallback(void* object, QObject* /*sender*/, int32_t code)
{
    auto* box = static_cast<TnrDeviceBox*>(object);
    if (code != 3)
        return;  // opened and closed change nothing here
    if (QThread::currentThread() == box->thread())
        box->Reload();
    else
        QMetaObject::invokeMethod(
            box, [box] { box->Reload(); }, Qt::QueuedConnection);
}

void TnrDeviceBox::Notification()
{
    fComm = nullptr;
    setCurrentIndex(-1);
}

int TnrDeviceBox::WMDeviceChange(const TWMDeviceChange& message) { return fComm ? fComm->WMDeviceChange(message) : 0; }
