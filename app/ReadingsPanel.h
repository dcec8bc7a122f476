#pragma once
// The Statistics panel: a dock beside the editor with the figures of the batch of readings
// that came from the gauge (count, mean, standard deviation, minimum, maximum, range,
// coefficient of variation, and with tolerance limits the readings outside them), the
// limits, a chart of the readings in arrival order with the mean and the limits, the
// "New batch" button, and "Export readings..." (CSV).
//
// The batch itself (ReadingBatch) takes every piece of gauge text the window inserts,
// whether the panel is shown or not; that costs a scan of the text. While the panel is
// hidden nothing else happens. While it is shown, the figures and the chart follow at
// most four times a second, and the chart draws at most two points per pixel column
// however many readings there are.
//
// Its state (shown, limits, batch number, export folder) lives in its own profile file
// beside MSave.ini, written whenever it changes.
//
// Threads: user-interface thread only.
#include "app/readings/ReadingBatch.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QChart;
class QChartView;
class QFormLayout;
class QLabel;
class QLineEdit;
class QLineSeries;
class QMainWindow;
class QPushButton;
class QTimer;
class QValueAxis;
class QXYSeries;
class TMainFormDialogs;

class TReadingsPanel : public QDockWidget {
    Q_OBJECT
public:
    // Docks itself at the right of `window`. `settingsPath` is the panel's profile file;
    // `dialogs` must outlive the panel.
    TReadingsPanel(std::string settingsPath, TMainFormDialogs& dialogs, QMainWindow& window);
    ~TReadingsPanel() override;

    // "Statistics.ini" in the folder of `profilePath` (MSave.ini).
    static std::string SettingsPathBeside(const std::string& profilePath);

    // ---- What the window hands over ----------------------------------------------------
    // Gauge text as it goes into the editor.
    void Received(QStringView text) { batch_.Received(text); }
    // Clear Screen, a new connection, or the panel's button: the next batch begins.
    void NewBatch();
    // Called before and after the export's file dialog (the window pauses its display).
    std::function<void()> PauseDisplay;
    // The folder the first export dialog starts in, when none was used before.
    std::function<QString()> DefaultExportFolder;

    const dabrix::readings::ReadingBatch& Batch() const { return batch_; }

    // ---- Commands -----------------------------------------------------------------------
    // Checkable: shows and hides the panel ("Statistics").
    QAction* ShowAction() const;
    // "Export readings...": the batch as a CSV file; true when a file was written.
    QAction* ExportAction = nullptr;
    bool ExportReadings();

    // ---- Parts, named for tests and screen readers ---------------------------------------
    QLabel* BatchLabel = nullptr;
    QLabel* CountLabel = nullptr;
    QLabel* MeanLabel = nullptr;
    QLabel* DeviationLabel = nullptr;
    QLabel* MinimumLabel = nullptr;
    QLabel* MaximumLabel = nullptr;
    QLabel* RangeLabel = nullptr;
    QLabel* VariationLabel = nullptr;
    QLabel* OutsideLabel = nullptr;
    QLineEdit* LowerLimitEdit = nullptr;
    QLineEdit* UpperLimitEdit = nullptr;
    QLabel* LimitsMessage = nullptr;  // why the limits are not used; hidden when they are
    QLabel* LowerUnitLabel = nullptr;
    QLabel* UpperUnitLabel = nullptr;
    QPushButton* NewBatchButton = nullptr;
    QChartView* ChartView = nullptr;
    QLineSeries* ReadingSeries = nullptr;
    QLineSeries* MeanSeries = nullptr;
    QLineSeries* LowerSeries = nullptr;
    QLineSeries* UpperSeries = nullptr;
    QLineSeries* OutsideSeries = nullptr;  // marks on the drawn readings outside the limits

    // How often the figures and the chart have been brought up to date.
    long long Refreshes() const { return refreshes_; }
    // The shortest time between two of them.
    // A refresh takes the user-interface thread several milliseconds (the chart is the most
    // of it). Two a second still look live, and at a gauge's pace they cost the open panel
    // about half of what four did (dabrix_bench_e2e_window --statistics). A reading after a
    // quiet spell still shows at once.
    static constexpr int kRefreshMs = 500;

    // A limit as typed: empty is none; a point or a comma as decimal separator. Nothing
    // (and `ok` false) for text that is no number.
    static std::optional<double> ParseLimit(const QString& text, bool* ok);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateParts();
    QLabel* AddFigure(QFormLayout* form, const QString& caption, const char* name);
    void SetFigure(QLabel* label, const QString& text);
    void ScheduleRefresh();
    void Refresh();
    void RefreshFigures();
    void RefreshChart();
    void LimitsEdited();
    void ShowInLegend(const QXYSeries* series, bool shown);
    QString Number(double value, int decimals) const;
    QString WithUnit(const QString& number) const;
    void LoadSettings();
    void SaveSettings() const;

    std::string settingsPath_;
    TMainFormDialogs& dialogs_;
    dabrix::readings::ReadingBatch batch_;
    QChart* chart_ = nullptr;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QElapsedTimer sinceRefresh_;
    long long refreshes_ = 0;
    QString exportFolder_;
    struct LegendEntry {
        const QXYSeries* series;
        QLabel* key;
        QLabel* name;
    };
    std::vector<LegendEntry> legendEntries_;
    bool restoring_ = false;
    bool shown_ = false;  // as the user left it
};
