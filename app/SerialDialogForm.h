#pragma once
// The COM settings dialog of the Manual gauge: port and baud rate. The line format is
// fixed at 8 data bits, 1 stop bit, no parity.
#include <QDialog>

class QComboBox;
class QPushButton;

class TSerialDialogForm : public QDialog {
    Q_OBJECT
public:
    explicit TSerialDialogForm(QWidget* parent);

    QComboBox* combobox_ComPort = nullptr;
    QComboBox* combobox_Baudrate = nullptr;  // editable: any rate may be typed
    QPushButton* OK = nullptr;
};
