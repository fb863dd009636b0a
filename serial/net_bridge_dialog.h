#pragma once
// The "Network bridge…" dialog of the port picker: asks for a bridge's "host:port" and whether it
// passes the bytes as they are (raw TCP) or speaks RFC 2217. "OK" is enabled only while the text
// is an address.
#include <QDialog>
#include <optional>

#include "serial/net_address.h"

class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

class TnrNetBridgeDialog : public QDialog {
    Q_OBJECT
public:
    explicit TnrNetBridgeDialog(QWidget* parent = nullptr);

    QLineEdit* hostPortEdit() const { return hostPort_; }
    QRadioButton* rawTcpButton() const { return rawTcp_; }
    QRadioButton* rfc2217Button() const { return rfc2217_; }
    QDialogButtonBox* buttons() const { return buttons_; }

    // The address as typed with the kind chosen; nothing while the text is not "host:port".
    std::optional<NetAddress> address() const;

private:
    void updateOk();

    QLineEdit* hostPort_;
    QRadioButton* rawTcp_;
    QRadioButton* rfc2217_;
    QDialogButtonBox* buttons_;
};
