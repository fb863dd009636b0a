#include "serial/net_bridge_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TnrNetBridgeDialog::TnrNetBridgeDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Network bridge"));
    auto* form = new QFormLayout(this);

    hostPort_ = new QLineEdit(this);
    hostPort_->setObjectName(QStringLiteral("hostPort"));
    hostPort_->setPlaceholderText(QStringLiteral("host:port"));
    form->addRow(QStringLiteral("Address"), hostPort_);

    rawTcp_ = new QRadioButton(QStringLiteral("Raw TCP"), this);
    rfc2217_ = new QRadioButton(QStringLiteral("RFC 2217"), this);
    rawTcp_->setChecked(true);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(rawTcp_);
    kinds->addWidget(rfc2217_);
    form->addRow(QStringLiteral("Protocol"), kinds);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons_);

    connect(hostPort_, &QLineEdit::textChanged, this, [this] { updateOk(); });
    updateOk();
}

std::optional<NetAddress> TnrNetBridgeDialog::address() const
{
    return ParseHostPort(hostPort_->text().trimmed().toStdString(),
                         rfc2217_->isChecked() ? NetLinkKind::Rfc2217 : NetLinkKind::RawTcp);
}

void TnrNetBridgeDialog::updateOk() { buttons_->button(QDialogButtonBox::Ok)->setEnabled(address().has_value()); }
