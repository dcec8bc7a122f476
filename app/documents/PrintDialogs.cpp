#include "app/documents/PrintDialogs.h"

#include <QAbstractPrintDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>

namespace dabrix::app {

bool QtPrintDialogs::PrintDialog(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    // The whole text is printed: page ranges and a selection are not offered.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrintDialogs::PageSetupDialog(QWidget* parent, QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace dabrix::app
