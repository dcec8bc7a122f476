#pragma once
// The Info dialog: product name, edition, version and the maker's contact block.
#include <QDialog>

class QLabel;
class QPushButton;
class TMainFormDialogs;

class TInfoForm : public QDialog {
    Q_OBJECT
public:
    TInfoForm(QWidget* parent, TMainFormDialogs& dialogs);

    QLabel* LabelVersion = nullptr;
    QLabel* LabelLicence = nullptr;  // the licence notice; its link opens the licence
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* EMAIL = nullptr;    // Contact

    void BitBtn1Click();
    void EMAILClick();

    // The maker's contact address and the link the Contact button opens.
    static QString ContactAddress();
    static QUrl ContactUrl();
    // The text of the program's licence, the GNU GPL version 3.
    static QUrl LicenceUrl();

private:
    TMainFormDialogs& dialogs_;
};
