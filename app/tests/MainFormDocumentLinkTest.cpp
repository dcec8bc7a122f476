// The document commands while a gauge is connected and sending: each modal dialog pauses
// the status display, readings keep arriving while it is open, and what is saved is the
// text as it stood when it was written.
#include "tests/e2e/GaugeWindowFixture.h"

#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"
#include "tests/support/EventLoop.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <chrono>
#include <vector>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;

namespace {

TEST_F(GaugeWindowTest, DocumentDialogsPauseTheDisplayWhileReadingsKeepComing)
{
    const int com = StartSim(LineGauge({"12.5 um"}, 50, 9600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(0, com);  // Manual
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLines(2));

    std::vector<TDisplayState> stateWhenOpened;
    std::vector<qsizetype> linesWhileOpen;
    dialogs_.whileOpen = [&] {
        stateWhenOpened.push_back(form_->DisplayState);
        const qsizetype before = EditorLines().size();
        RunEventsFor(300ms);  // a real dialog runs the event loop while the user looks
        linesWhileOpen.push_back(EditorLines().size() - before);
    };

    const QString path = QDir(dir_.path()).filePath("during.txt");
    dialogs_.saveNames = {path};
    form_->act_file_saveas->trigger();
    // Nothing has run since the write: the file is the editor's text as it is now.
    QString written = form_->Editor->toPlainText();
    written.replace("\n", "\r\n");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), written);
    EXPECT_FALSE(form_->Editor->document()->isModified());

    form_->act_file_printersetup->trigger();  // cancelled
    form_->act_file_print->trigger();         // cancelled
    dialogs_.answers = {TMainFormDialogs::Answer::No};  // the readings since the save
    dialogs_.openNames = {""};
    form_->act_file_open->trigger();
    EXPECT_EQ(dialogs_.questions.size(), 1u);

    EXPECT_EQ(stateWhenOpened, (std::vector<TDisplayState>{dsPaused, dsPaused, dsPaused, dsPaused}));
    for (qsizetype grown : linesWhileOpen)
        EXPECT_GT(grown, 0) << "readings arrived while a dialog was open";
    // The next reading shows the link receiving again.
    RunEventsFor(300ms);
    EXPECT_EQ(form_->DisplayState, dsReceiving);
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     ");
}

} // namespace
