// The Statistics panel in the real window with the gauge simulator: readings arrive and
// the figures and the chart follow, limits mark the readings outside them, Clear Screen
// and a new connection start new batches, the CSV export reads back through Python's csv
// module, and the panel's state is kept beside MSave.ini.
#include "tests/e2e/GaugeWindowFixture.h"

#include "app/ReadingsPanel.h"
#include "comm/KTXComm2Item.h"
#include "tests/support/EventLoop.h"

#include <QAction>
#include <QChartView>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include <chrono>
#include <cmath>
#include <utility>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;

namespace {

const QString kMicro = QString(QChar(0xB5));
// Long enough for the panel's next refresh to have come.
const std::chrono::milliseconds kPanelCatchesUp{TReadingsPanel::kRefreshMs + 150};

// The values in the editor's lines, read by the test itself: "   12.0 µm #2" -> 12.0.
std::vector<double> EditorValues(const QStringList& lines)
{
    std::vector<double> values;
    for (const QString& line : lines) {
        const QStringList parts = line.simplified().split(' ');
        if (parts.size() == 3 && parts[1] == kMicro + "m")
            values.push_back(QLocale::system().toDouble(parts[0]));
    }
    return values;
}

class StatisticsGaugeTest : public GaugeWindowTest {
protected:
    // The Manual gauge on the simulator's port, sending 10.0, 12.0 and 20.0 µm in turn.
    void ConnectGauge()
    {
        const int com = StartSim(LineGauge({"   10.0 um #1", "   12.0 um #2", "   20.0 um #3"}, 30, 9600));
        ASSERT_GT(com, 0);
        WriteGaugeSettings(0, com);
        Create();
        Show();
        panel_ = form_->Readings;
        ASSERT_NE(WaitForComItem(com), nullptr);
        form_->act_interface_conneced->trigger();
        ASSERT_TRUE(WaitForLinkState(lsConnected));
    }

    void SetLimits(const QString& lower, const QString& upper)
    {
        panel_->LowerLimitEdit->setText(lower);
        emit panel_->LowerLimitEdit->editingFinished();
        panel_->UpperLimitEdit->setText(upper);
        emit panel_->UpperLimitEdit->editingFinished();
    }

    // Stops the link and lets the panel show the last readings.
    void Disconnect()
    {
        form_->act_interface_disconneced->trigger();
        RunEventsFor(kPanelCatchesUp);
    }

    QString Local(double value, int decimals) const { return QLocale::system().toString(value, 'f', decimals); }

    std::string StatisticsIniPath() const { return ConfigFolder() + "/Statistics.ini"; }

    TReadingsPanel* panel_ = nullptr;
};

TEST_F(StatisticsGaugeTest, FiguresAndChartFollowTheReadingsAndLimitsMarkThoseOutside)
{
    ConnectGauge();
    EXPECT_FALSE(panel_->isVisible());
    form_->act_edit_statistics->trigger();
    ASSERT_TRUE(panel_->isVisible());
    SetLimits("11", "15,5");  // either decimal separator

    // The figures follow while the gauge sends.
    ASSERT_TRUE(WaitFor([&] { return panel_->CountLabel->text().toInt() >= 3; }, 5s));
    const int seen = panel_->CountLabel->text().toInt();
    ASSERT_TRUE(WaitFor([&] { return panel_->CountLabel->text().toInt() >= seen + 6; }, 5s));
    Disconnect();

    // Against the editor's lines, computed here.
    const std::vector<double> values = EditorValues(EditorLines());
    ASSERT_GE(values.size(), 9u);
    double sum = 0;
    int outside = 0;
    for (double v : values) {
        sum += v;
        outside += (v < 11 || v > 15.5) ? 1 : 0;
    }
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    const double deviation = std::sqrt(squares / static_cast<double>(values.size() - 1));
    const QString unit = " " + kMicro + "m";

    EXPECT_EQ(panel_->CountLabel->text(), QString::number(values.size()));
    EXPECT_EQ(panel_->MeanLabel->text(), Local(mean, 2) + unit);
    EXPECT_EQ(panel_->DeviationLabel->text(), Local(deviation, 2) + unit);
    EXPECT_EQ(panel_->MinimumLabel->text(), Local(10, 1) + unit);
    EXPECT_EQ(panel_->MaximumLabel->text(), Local(20, 1) + unit);
    EXPECT_EQ(panel_->RangeLabel->text(), Local(10, 1) + unit);
    EXPECT_EQ(panel_->VariationLabel->text(), Local(100 * deviation / mean, 1) + " %");
    EXPECT_EQ(panel_->OutsideLabel->text(),
              QStringLiteral("%1 (%2 %)").arg(outside).arg(Local(100.0 * outside / static_cast<double>(values.size()), 1)));
    // What a screen reader reads: caption and figure.
    EXPECT_EQ(panel_->MeanLabel->accessibleName(), "Mean: " + panel_->MeanLabel->text());

    // The chart: every reading in arrival order, the outside ones marked, mean and limits.
    const QList<QPointF> points = panel_->ReadingSeries->points();
    ASSERT_EQ(points.size(), static_cast<qsizetype>(values.size()));
    for (qsizetype i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x(), static_cast<double>(i + 1));
        EXPECT_DOUBLE_EQ(points[i].y(), values[static_cast<size_t>(i)]);
    }
    const QList<QPointF> marked = panel_->OutsideSeries->points();
    EXPECT_EQ(marked.size(), outside);
    for (const QPointF& p : marked)
        EXPECT_TRUE(p.y() < 11 || p.y() > 15.5) << p.y();
    ASSERT_EQ(panel_->MeanSeries->count(), 2);
    EXPECT_NEAR(panel_->MeanSeries->at(0).y(), mean, 1e-9);
    ASSERT_EQ(panel_->LowerSeries->count(), 2);
    EXPECT_EQ(panel_->LowerSeries->at(0).y(), 11.0);
    ASSERT_EQ(panel_->UpperSeries->count(), 2);
    EXPECT_EQ(panel_->UpperSeries->at(1).y(), 15.5);
    // Told apart without colour: line styles and the marker shape differ.
    EXPECT_NE(panel_->LowerSeries->pen().style(), panel_->MeanSeries->pen().style());
    EXPECT_NE(panel_->UpperSeries->pen().style(), panel_->LowerSeries->pen().style());
    EXPECT_EQ(panel_->OutsideSeries->pen().style(), Qt::NoPen);  // marks alone
    EXPECT_FALSE(panel_->OutsideSeries->lightMarker().isNull());

    // Crossed limits, and a limit that is no number, are said and mark nothing.
    for (const auto& [lower, upper] : {std::pair<QString, QString>{"20", "10"}, {"12,x", ""}}) {
        SetLimits(lower, upper);
        RunEventsFor(kPanelCatchesUp);
        EXPECT_TRUE(panel_->LimitsMessage->isVisible()) << lower.toStdString();
        EXPECT_EQ(panel_->OutsideSeries->count(), 0);
        EXPECT_EQ(panel_->OutsideLabel->text(), QString(QChar(0x2013)));
    }
    SetLimits("", "");
    EXPECT_FALSE(panel_->LimitsMessage->isVisible());
}

TEST_F(StatisticsGaugeTest, HiddenThePanelIsNeverRefreshedAndShownNoMoreOftenThanItsInterval)
{
    ConnectGauge();
    ASSERT_TRUE(WaitFor([&] { return panel_->Batch().Readings().size() >= 20; }, 5s));
    EXPECT_EQ(panel_->Refreshes(), 0);  // the batch collects; the panel does nothing

    form_->act_edit_statistics->trigger();
    const long long before = panel_->Refreshes();
    const auto start = std::chrono::steady_clock::now();
    RunEventsFor(2000ms);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long refreshes = panel_->Refreshes() - before;
    EXPECT_GE(refreshes, 2);  // the readings every 30 ms are followed
    EXPECT_LE(refreshes, static_cast<long long>(seconds * 1000 / TReadingsPanel::kRefreshMs) + 2);

    form_->act_edit_statistics->trigger();
    EXPECT_FALSE(panel_->isVisible());
    const long long hidden = panel_->Refreshes();
    RunEventsFor(500ms);
    EXPECT_EQ(panel_->Refreshes(), hidden);
}

TEST_F(StatisticsGaugeTest, ClearScreenAndANewConnectionStartNewBatches)
{
    ConnectGauge();
    form_->act_edit_statistics->trigger();
    ASSERT_TRUE(WaitFor([&] { return panel_->Batch().Readings().size() >= 3; }, 5s));
    EXPECT_EQ(panel_->BatchLabel->text(), "Batch 1");
    Disconnect();

    // Cancelled, the screen and the batch stay.
    const size_t count = panel_->Batch().Readings().size();
    dialogs_.answers = {TMainFormDialogs::Answer::Cancel};
    form_->act_edit_clear->trigger();
    EXPECT_EQ(panel_->Batch().Readings().size(), count);

    dialogs_.answers = {TMainFormDialogs::Answer::Ok};
    form_->act_edit_clear->trigger();
    RunEventsFor(kPanelCatchesUp);
    EXPECT_EQ(panel_->Batch().Number(), 2);
    EXPECT_EQ(panel_->BatchLabel->text(), "Batch 2");
    EXPECT_EQ(panel_->CountLabel->text(), "0");
    EXPECT_EQ(panel_->MeanLabel->text(), QString(QChar(0x2013)));
    EXPECT_EQ(panel_->ReadingSeries->count(), 0);

    // Connecting to an empty batch keeps it; readings then fill it.
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitFor([&] { return panel_->Batch().Readings().size() >= 3; }, 5s));
    EXPECT_EQ(panel_->Batch().Number(), 2);
    Disconnect();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLinkState(lsConnected));
    EXPECT_EQ(panel_->Batch().Number(), 3);

    // And the panel's own button.
    ASSERT_TRUE(WaitFor([&] { return !panel_->Batch().Readings().empty(); }, 5s));
    panel_->NewBatchButton->click();
    EXPECT_EQ(panel_->Batch().Number(), 4);
}

TEST_F(StatisticsGaugeTest, ExportedReadingsReadBackThroughACsvReader)
{
    ConnectGauge();
    ASSERT_TRUE(WaitFor([&] { return panel_->Batch().Readings().size() >= 5; }, 5s));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-30);
    Disconnect();
    const std::vector<double> values = EditorValues(EditorLines());

    const QString base = QDir(dir_.path()).filePath("batch");
    dialogs_.saveNames = {base};
    form_->act_file_exportreadings->trigger();
    const QString path = base + ".csv";
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_TRUE(dialogs_.errors.empty());

    // Python's csv module in strict mode, as an independent RFC 4180 reader.
    QProcess python;
    python.start("python3", {"-c",
                             "import csv, json, sys\n"
                             "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                             "    print(json.dumps(list(csv.reader(f, strict=True))))\n",
                             path});
    ASSERT_TRUE(python.waitForFinished(20000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(values.size()) + 1);
    EXPECT_EQ(rows[0].toArray().toVariantList(), (QVariantList{"Time", "Value", "Unit", "Batch"}));
    QDateTime previous = before;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QJsonArray row = rows[i].toArray();
        ASSERT_EQ(row.size(), 4);
        const QDateTime time = QDateTime::fromString(row[0].toString(), Qt::ISODateWithMs);
        ASSERT_TRUE(time.isValid()) << row[0].toString().toStdString();
        EXPECT_EQ(time.offsetFromUtc(), QDateTime::currentDateTime().offsetFromUtc());
        EXPECT_GE(time, previous);
        EXPECT_LE(time, QDateTime::currentDateTime());
        previous = time;
        EXPECT_EQ(row[1].toString(), QString::number(values[static_cast<size_t>(i - 1)], 'f', 1));
        EXPECT_EQ(row[2].toString(), kMicro + "m");
        EXPECT_EQ(row[3].toString(), "1");
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("\r\n"));

    // An existing file is replaced only when the user says so.
    dialogs_.saveNames = {path};
    dialogs_.answers = {TMainFormDialogs::Answer::No};
    form_->act_file_exportreadings->trigger();
    ASSERT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(dialogs_.questions[0].text, "Overwrite " + path + " ?");

    // A file that cannot be written is said, and nothing is lost: the batch stays.
    QDir(dir_.path()).mkdir("taken.csv");
    dialogs_.saveNames = {QDir(dir_.path()).filePath("taken.csv")};
    dialogs_.answers = {TMainFormDialogs::Answer::Yes};  // replace it
    form_->act_file_exportreadings->trigger();
    ASSERT_EQ(dialogs_.errors.size(), 1u);
    EXPECT_TRUE(dialogs_.errors[0].startsWith("The readings could not be exported to ")) << dialogs_.errors[0].toStdString();
    EXPECT_EQ(panel_->Batch().Readings().size(), values.size());

    // An empty batch has nothing to export.
    panel_->NewBatchButton->click();
    form_->act_file_exportreadings->trigger();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0], "There are no readings to export.");
}

TEST_F(StatisticsGaugeTest, ThePanelsStateIsKeptBesideMSaveIniWhichKeepsItsEighteenKeys)
{
    Create();
    Show();
    panel_ = form_->Readings;
    form_->act_edit_statistics->trigger();
    SetLimits("11.5", "");
    ASSERT_TRUE(Close());

    const dabrix::platform::ProfileFile statistics(StatisticsIniPath());
    EXPECT_TRUE(statistics.ReadBool("Statistics", "Visible", false));
    EXPECT_EQ(statistics.ReadString("Statistics", "LowerLimit", "?"), "11.5");
    EXPECT_EQ(statistics.ReadString("Statistics", "UpperLimit", "?"), "");
    int keys = 0;
    for (const std::string& section : IniText().SectionNames())
        keys += static_cast<int>(IniText().Section(section).size());
    EXPECT_EQ(keys, 18);
    EXPECT_TRUE(IniText().Section("Statistics").empty());

    serial_.reset();
    info_.reset();
    form_.reset();
    Create();
    Show();
    EXPECT_TRUE(form_->Readings->isVisible());
    EXPECT_TRUE(form_->act_edit_statistics->isChecked());
    EXPECT_EQ(form_->Readings->LowerLimitEdit->text(), "11.5");
    EXPECT_EQ(form_->Readings->Batch().LowerLimit(), 11.5);
    EXPECT_FALSE(form_->Readings->Batch().UpperLimit().has_value());
}

} // namespace
