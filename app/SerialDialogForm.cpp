#include "app/SerialDialogForm.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TSerialDialogForm::TSerialDialogForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SerialDialogForm"));
    setWindowTitle(tr("COM - Settings"));

    auto* layout = new QVBoxLayout(this);
    auto* portLabel = new QLabel(tr("Port:"), this);
    combobox_ComPort = new QComboBox(this);
    combobox_ComPort->setObjectName(QStringLiteral("combobox_ComPort"));
    portLabel->setBuddy(combobox_ComPort);
    layout->addWidget(portLabel);
    layout->addWidget(combobox_ComPort);

    auto* baudLabel = new QLabel(tr("Baud:"), this);
    combobox_Baudrate = new QComboBox(this);
    combobox_Baudrate->setObjectName(QStringLiteral("combobox_Baudrate"));
    combobox_Baudrate->setEditable(true);
    combobox_Baudrate->setInsertPolicy(QComboBox::NoInsert);
    combobox_Baudrate->addItems({"600", "1200", "2400", "4800", "9600", "14400", "19200", "28800",
                                 "38400", "56000", "57600", "115200", "128000", "230400"});
    combobox_Baudrate->setCurrentText(QStringLiteral("600"));
    baudLabel->setBuddy(combobox_Baudrate);
    layout->addWidget(baudLabel);
    layout->addWidget(combobox_Baudrate);

    auto* format = new QLabel(QStringLiteral("8D / 1S / NP"), this);
    QFont bold = format->font();
    bold.setBold(true);
    format->setFont(bold);
    format->setAccessibleDescription(tr("8 data bits, 1 stop bit, no parity"));
    layout->addWidget(format);

    OK = new QPushButton(tr("OK"), this);
    OK->setDefault(true);
    layout->addWidget(OK, 0, Qt::AlignRight);
    // OK only closes: the caller takes whatever the boxes hold, however the window closed.
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);

    layout->setSizeConstraint(QLayout::SetFixedSize);
}
