// The line-settings dialog of the serial component.
#include <QComboBox>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QIntValidator>

#include "serial/nr_custom_serial_comm.h"

bool TnrCustomSerialComm::ConfigDialog(QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromStdString(ComName()));
    auto* form = new QFormLayout(&dialog);

    auto* baud = new QComboBox(&dialog);
    baud->setEditable(true);
    baud->setValidator(new QIntValidator(1, 100000000, baud));
    for (int rate : {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 128000, 230400, 460800, 921600})
        baud->addItem(QString::number(rate));
    baud->setCurrentText(QString::number(BaudRate()));
    form->addRow(QStringLiteral("Bits per second"), baud);

    auto* bits = new QComboBox(&dialog);
    for (int b = 5; b <= 8; ++b)
        bits->addItem(QString::number(b));
    bits->setCurrentText(QString::number(ByteSize()));
    form->addRow(QStringLiteral("Data bits"), bits);

    auto* parity = new QComboBox(&dialog);
    parity->addItems(
        {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"), QStringLiteral("Mark"), QStringLiteral("Space")});
    parity->setCurrentIndex(Parity());
    form->addRow(QStringLiteral("Parity"), parity);

    auto* stop = new QComboBox(&dialog);
    stop->addItems({QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
    stop->setCurrentIndex(StopBits());
    form->addRow(QStringLiteral("Stop bits"), stop);

    auto* flow = new QComboBox(&dialog);
    flow->addItems({QStringLiteral("None"), QStringLiteral("Xon / Xoff"), QStringLiteral("Hardware")});
    flow->setCurrentIndex(StreamProtocol());
    form->addRow(QStringLiteral("Flow control"), flow);

    auto* rs485 = new QCheckBox(QStringLiteral("RS-485"), &dialog);
    rs485->setChecked(RS485Mode());
    form->addRow(QString(), rs485);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    SetBaudRate(baud->currentText().toUInt());
    SetByteSize(static_cast<uint8_t>(bits->currentText().toUInt()));
    SetParity(static_cast<TParity>(parity->currentIndex()));
    SetStopBits(static_cast<TStopBits>(stop->currentIndex()));
    SetStreamProtocol(static_cast<TStreamProtocol>(flow->currentIndex()));
    SetRS485Mode(rs485->isChecked());
    return true;
}
