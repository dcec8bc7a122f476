#include "app/MainFormDialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

namespace {

QString BoxTitle()
{
    return QCoreApplication::applicationName();
}

// Texts keep their CR LF line ends; a label wants plain line feeds.
QString BoxText(const QString& text)
{
    QString shown = text;
    return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

TMainFormDialogs::Answer TQtMainFormDialogs::Ask(QWidget* parent, const QString& text, Buttons buttons)
{
    QMessageBox::StandardButtons shown;
    QMessageBox::StandardButton escape = QMessageBox::Cancel;
    switch (buttons) {
    case Buttons::YesNo:
        shown = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case Buttons::OkCancel:
        shown = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(QMessageBox::Question, BoxTitle(), BoxText(text), shown, parent);
    box.setEscapeButton(escape);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // A Yes/No box closed from the title bar counts as No, like its escape key.
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

void TQtMainFormDialogs::ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, BoxTitle(), BoxText(text), QMessageBox::Ok, parent);
    box.exec();
}

void TQtMainFormDialogs::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, BoxTitle(), BoxText(text), QMessageBox::Ok, parent);
    box.exec();
}

QString TQtMainFormDialogs::GetOpenFileName(QWidget* parent, const QString& folder,
                                            const QString& filter, bool* readOnly)
{
    if (readOnly)
        *readOnly = false;
    // QFileDialog::ReadOnly makes the dialog itself read-only (no renaming or deleting);
    // the choice to open a file read-only needs a check box of our own, and only Qt's own
    // dialog (not the desktop's) takes extra widgets.
    QFileDialog dialog(parent, QString(), folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    auto* openReadOnly = new QCheckBox(ReadOnlyCaption(), &dialog);
    openReadOnly->setObjectName(QStringLiteral("OpenReadOnly"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(openReadOnly, grid->rowCount(), 0, 1, grid->columnCount());
    else if (dialog.layout())
        dialog.layout()->addWidget(openReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (readOnly)
        *readOnly = openReadOnly->isChecked();
    return dialog.selectedFiles().constFirst();
}

QString TQtMainFormDialogs::ReadOnlyCaption()
{
    return QCoreApplication::translate("TMainFormDialogs", "Open read-only");
}

QString TQtMainFormDialogs::GetSaveFileName(QWidget* parent, const QString& folder,
                                            const QString& filter)
{
    // The caller asks about overwriting itself, after it has added the extension.
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

int TQtMainFormDialogs::ShowModal(QDialog& dialog)
{
    return dialog.exec();
}

bool TQtMainFormDialogs::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool TQtMainFormDialogs::PrintDialog(QWidget* parent, QPrinter& printer)
{
    return printDialogs_.PrintDialog(parent, printer);
}

bool TQtMainFormDialogs::PageSetupDialog(QWidget* parent, QPrinter& printer)
{
    return printDialogs_.PageSetupDialog(parent, printer);
}
