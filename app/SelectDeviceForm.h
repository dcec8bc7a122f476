#pragma once
// The device selection dialog: shown when more than one attached device matches the
// chosen gauge. It ends with 100 + the index of the chosen row, or with 2 (cancel) when no
// row is chosen or the window is closed.
//
// Threads: user-interface thread only.
#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

class TSelectDeviceForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFirstRowResult = 100;
    static constexpr int kCancelResult = 2;

    explicit TSelectDeviceForm(QWidget* parent);

    // Replaces the rows; the selection goes with them.
    void SetDevices(const QStringList& texts);
    QStringList Devices() const;

    QListWidget* GaugeList = nullptr;
    QPushButton* OK = nullptr;

public slots:
    void reject() override;  // closing the window or Escape: cancel

private:
    void Choose();
};
