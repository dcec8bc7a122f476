// The readings of the gauge as a measured batch: the Statistics panel beside the editor,
// its item at the end of the Edit menu and its tool button, and "Export readings..." in
// the File menu. The window hands the panel every piece of gauge text it inserts
// (InsertReceivedText) and starts a new batch on Clear Screen and on each new connection.
#include "app/MainForm.h"

#include "app/ReadingsPanel.h"
#include "app/documents/DocumentController.h"
#include "platform/ProfileFile.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

void TMainForm::CreateReadings()
{
    Readings = new TReadingsPanel(TReadingsPanel::SettingsPathBeside(profile_.Path()), dialogs_, *this);
    Readings->PauseDisplay = [this] { PauseDisplay(); };
    Readings->DefaultExportFolder = [this] {
        const QString saved = Documents->SaveDialogFolder();
        return saved.isEmpty() ? Documents->WorkDir() : saved;
    };
    act_edit_statistics = Readings->ShowAction();
    act_file_exportreadings = Readings->ExportAction;

    // Appended: the designed items keep their places.
    const QList<QAction*> fileItems = menuitem_File->actions();
    const qsizetype afterSaveAs = fileItems.indexOf(act_file_saveas) + 1;
    menuitem_File->insertAction(fileItems.value(afterSaveAs), act_file_exportreadings);
    menuitem_Edit->addSeparator();
    menuitem_Edit->addAction(act_edit_statistics);
    ToolBar1->addSeparator();
    ToolBar1->addAction(act_edit_statistics);

    Documents->ScreenCleared = [this] { Readings->NewBatch(); };
}
