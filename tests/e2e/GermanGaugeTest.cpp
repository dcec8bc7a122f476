// A reading from a simulated gauge on a German system (GermanLocale.cpp sets the locale
// before main): decimal comma and micro sign in the editor.
#include "tests/e2e/GaugeWindowFixture.h"

#include "comm/KTXComm2Item.h"

#include <QLocale>
#include <QPlainTextEdit>

TEST_F(GaugeWindowTest, AReadingGetsTheDecimalCommaAndTheMicroSign)
{
    ASSERT_EQ(QLocale::system().decimalPoint(), ",");
    const int com = StartSim(LineGauge({"12.5 um"}, 100, 9600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(0, com);  // Manual on the simulator's port
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLines(2));
    EXPECT_EQ(EditorLines().mid(0, 2), (QStringList{QString::fromUtf8("12,5 µm"), QString::fromUtf8("12,5 µm")}));
    // Each line ended with CR LF, which the editor keeps as one line break.
    EXPECT_TRUE(form_->Editor->toPlainText().startsWith(QString::fromUtf8("12,5 µm\n12,5 µm\n")));
}
