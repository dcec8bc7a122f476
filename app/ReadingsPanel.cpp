#include "app/ReadingsPanel.h"

#include "app/MainFormDialogs.h"
#include "app/documents/DocumentFile.h"
#include "app/readings/ReadingsCsv.h"
#include "platform/ProfileFile.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

namespace readings = dabrix::readings;

constexpr const char* kSection = "Statistics";
// Fewer drawn points than this get a marker each, so single readings are visible.
constexpr qsizetype kMarkedPoints = 60;
// A chart narrower than this still gets as many columns.
constexpr int kMinColumns = 50;

QString Dash()
{
    return QString(QChar(0x2013));
}

std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

// Lines and markers that tell the series apart without their colours.
QPen SeriesPen(const QColor& colour, Qt::PenStyle style, qreal width)
{
    QPen pen(colour, width, style);
    pen.setCosmetic(true);
    return pen;
}

constexpr int kOutsideMarkerSize = 8;

// The mark of a reading outside the limits: a filled square with a black edge, unlike the
// round marks of the readings.
QImage OutsideMarker()
{
    QImage marker(kOutsideMarkerSize, kOutsideMarkerSize, QImage::Format_ARGB32_Premultiplied);
    marker.fill(Qt::black);
    QPainter painter(&marker);
    painter.fillRect(1, 1, kOutsideMarkerSize - 2, kOutsideMarkerSize - 2, QColor(0xc0, 0x30, 0x30));
    return marker;
}

// A legend key: a piece of the series' line, or its marker.
QPixmap LegendKey(const QXYSeries& series, qreal ratio)
{
    const QSize size(28, 14);
    QPixmap key(size * ratio);
    key.setDevicePixelRatio(ratio);
    key.fill(Qt::transparent);
    QPainter painter(&key);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!series.lightMarker().isNull()) {
        const QImage& marker = series.lightMarker();
        painter.drawImage(QPointF((size.width() - marker.width()) / 2.0, (size.height() - marker.height()) / 2.0), marker);
    } else {
        painter.setPen(series.pen());
        painter.drawLine(QPointF(1, size.height() / 2.0), QPointF(size.width() - 1, size.height() / 2.0));
    }
    return key;
}

} // namespace

TReadingsPanel::TReadingsPanel(std::string settingsPath, TMainFormDialogs& dialogs, QMainWindow& window)
    : QDockWidget(&window)
    , settingsPath_(std::move(settingsPath))
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("ReadingsPanel"));
    setWindowTitle(tr("Statistics"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);

    QAction* show = toggleViewAction();
    show->setObjectName(QStringLiteral("act_edit_statistics"));
    show->setToolTip(tr("Statistics"));
    show->setIcon(QIcon::fromTheme(QStringLiteral("office-chart-line"), QIcon(QStringLiteral(":/icons/statistics.svg"))));

    ExportAction = new QAction(tr("Export readings..."), this);
    ExportAction->setObjectName(QStringLiteral("act_file_exportreadings"));
    ExportAction->setToolTip(ExportAction->text());
    connect(ExportAction, &QAction::triggered, this, [this] { ExportReadings(); });

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    connect(refreshTimer_, &QTimer::timeout, this, &TReadingsPanel::Refresh);

    CreateParts();
    window.addDockWidget(Qt::RightDockWidgetArea, this);
    hide();  // until the user shows it
    LoadSettings();
    // The user's choice: hiding the window (closing it) hides the panel as well.
    connect(show, &QAction::toggled, this, [this, &window](bool shown) {
        if (restoring_ || !window.isVisible())
            return;
        shown_ = shown;
        SaveSettings();
    });
}

TReadingsPanel::~TReadingsPanel()
{
    // Hiding while the widgets go is no choice of the user's.
    disconnect(toggleViewAction(), nullptr, this, nullptr);
    batch_.OnChanged = nullptr;
    SaveSettings();
}

std::string TReadingsPanel::SettingsPathBeside(const std::string& profilePath)
{
    return (std::filesystem::path(profilePath).parent_path() / "Statistics.ini").string();
}

QAction* TReadingsPanel::ShowAction() const
{
    return toggleViewAction();
}

// ---- Parts ------------------------------------------------------------------------------

QLabel* TReadingsPanel::AddFigure(QFormLayout* form, const QString& caption, const char* name)
{
    auto* value = new QLabel(Dash());
    value->setObjectName(QString::fromLatin1(name));
    // Reachable with the keyboard and read with its caption by screen readers.
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    value->setProperty("caption", caption);
    value->setAccessibleName(caption);
    auto* label = new QLabel(caption);
    label->setBuddy(value);
    form->addRow(label, value);
    return value;
}

void TReadingsPanel::SetFigure(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    label->setAccessibleName(label->property("caption").toString() + QStringLiteral(": ") + text);
}

void TReadingsPanel::CreateParts()
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);

    BatchLabel = new QLabel(content);
    BatchLabel->setObjectName(QStringLiteral("StatisticsBatch"));
    QFont bold = BatchLabel->font();
    bold.setBold(true);
    BatchLabel->setFont(bold);
    layout->addWidget(BatchLabel);

    auto* figures = new QFormLayout;
    figures->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    CountLabel = AddFigure(figures, tr("Readings"), "StatisticsCount");
    MeanLabel = AddFigure(figures, tr("Mean"), "StatisticsMean");
    DeviationLabel = AddFigure(figures, tr("Standard deviation"), "StatisticsDeviation");
    MinimumLabel = AddFigure(figures, tr("Minimum"), "StatisticsMinimum");
    MaximumLabel = AddFigure(figures, tr("Maximum"), "StatisticsMaximum");
    RangeLabel = AddFigure(figures, tr("Range"), "StatisticsRange");
    VariationLabel = AddFigure(figures, tr("Coefficient of variation"), "StatisticsVariation");
    OutsideLabel = AddFigure(figures, tr("Outside the limits"), "StatisticsOutside");

    auto addLimit = [&](const QString& caption, const char* name, QLabel*& unit) {
        auto* edit = new QLineEdit(content);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setAccessibleName(caption);
        edit->setPlaceholderText(tr("none"));
        edit->setClearButtonEnabled(true);
        connect(edit, &QLineEdit::editingFinished, this, &TReadingsPanel::LimitsEdited);
        unit = new QLabel(content);
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(unit);
        auto* label = new QLabel(caption, content);
        label->setBuddy(edit);
        figures->addRow(label, row);
        return edit;
    };
    LowerLimitEdit = addLimit(tr("Lower limit"), "StatisticsLowerLimit", LowerUnitLabel);
    UpperLimitEdit = addLimit(tr("Upper limit"), "StatisticsUpperLimit", UpperUnitLabel);
    layout->addLayout(figures);

    LimitsMessage = new QLabel(content);
    LimitsMessage->setObjectName(QStringLiteral("StatisticsLimitsMessage"));
    LimitsMessage->setWordWrap(true);
    LimitsMessage->hide();
    layout->addWidget(LimitsMessage);

    chart_ = new QChart;
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    // The chart's own legend cuts its names short in a narrow panel; the panel's wraps.
    chart_->legend()->hide();
    chart_->setLocalizeNumbers(true);
    chart_->setLocale(QLocale::system());

    ReadingSeries = new QLineSeries(chart_);
    ReadingSeries->setName(tr("Readings"));
    ReadingSeries->setPen(SeriesPen(QColor(0x2a, 0x62, 0xb8), Qt::SolidLine, 1.5));
    ReadingSeries->setMarkerSize(5);
    MeanSeries = new QLineSeries(chart_);
    MeanSeries->setName(tr("Mean"));
    MeanSeries->setPen(SeriesPen(QColor(0x1b, 0x7a, 0x3a), Qt::DashDotLine, 1.5));
    LowerSeries = new QLineSeries(chart_);
    LowerSeries->setName(tr("Lower limit"));
    LowerSeries->setPen(SeriesPen(QColor(0xc0, 0x30, 0x30), Qt::DashLine, 1.5));
    UpperSeries = new QLineSeries(chart_);
    UpperSeries->setName(tr("Upper limit"));
    UpperSeries->setPen(SeriesPen(QColor(0xc0, 0x30, 0x30), Qt::DotLine, 2));
    // Marks only, drawn by the series in one go: a scatter series would keep a graphics
    // item for every point and update each at every refresh.
    OutsideSeries = new QLineSeries(chart_);
    OutsideSeries->setName(tr("Outside the limits"));
    OutsideSeries->setPen(Qt::NoPen);
    OutsideSeries->setMarkerSize(kOutsideMarkerSize);
    OutsideSeries->setLightMarker(OutsideMarker());
    OutsideSeries->setPointsVisible(true);

    axisX_ = new QValueAxis(chart_);
    axisX_->setLabelFormat(QStringLiteral("%.0f"));
    axisX_->setTitleText(tr("Reading"));
    axisY_ = new QValueAxis(chart_);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    for (QAbstractSeries* series :
         std::initializer_list<QAbstractSeries*>{ReadingSeries, MeanSeries, LowerSeries, UpperSeries, OutsideSeries}) {
        chart_->addSeries(series);
        series->attachAxis(axisX_);
        series->attachAxis(axisY_);
    }

    ChartView = new QChartView(chart_, content);
    ChartView->setObjectName(QStringLiteral("StatisticsChart"));
    ChartView->setAccessibleName(tr("Chart of the readings"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumSize(240, 180);
    layout->addWidget(ChartView, 1);

    auto* legend = new QGridLayout;
    legend->setHorizontalSpacing(12);
    const qreal ratio = devicePixelRatioF();
    int entry = 0;
    for (QXYSeries* series : std::initializer_list<QXYSeries*>{ReadingSeries, MeanSeries, LowerSeries, UpperSeries, OutsideSeries}) {
        auto* key = new QLabel(content);
        key->setPixmap(LegendKey(*series, ratio));
        auto* name = new QLabel(series->name(), content);
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(key);
        row->addWidget(name, 1);
        legend->addLayout(row, entry / 2, entry % 2);
        legendEntries_.push_back({series, key, name});
        ++entry;
    }
    layout->addLayout(legend);

    auto* buttons = new QHBoxLayout;
    NewBatchButton = new QPushButton(tr("New batch"), content);
    NewBatchButton->setObjectName(QStringLiteral("StatisticsNewBatch"));
    connect(NewBatchButton, &QPushButton::clicked, this, &TReadingsPanel::NewBatch);
    buttons->addWidget(NewBatchButton);
    auto* exportButton = new QToolButton(content);
    exportButton->setDefaultAction(ExportAction);
    exportButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    buttons->addWidget(exportButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    // A short window scrolls the panel rather than growing for it.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("StatisticsScroll"));
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(scroll);
    RefreshFigures();
}

// ---- Batch and refresh ----------------------------------------------------------------------

void TReadingsPanel::NewBatch()
{
    const int before = batch_.Number();
    batch_.NewBatch();
    if (batch_.Number() != before)
        SaveSettings();
}

void TReadingsPanel::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    batch_.OnChanged = [this] { ScheduleRefresh(); };
    Refresh();
}

void TReadingsPanel::hideEvent(QHideEvent* event)
{
    // Hidden, the panel costs nothing: the batch goes on collecting without calling here.
    batch_.OnChanged = nullptr;
    refreshTimer_->stop();
    QDockWidget::hideEvent(event);
}

void TReadingsPanel::ScheduleRefresh()
{
    if (refreshTimer_->isActive())
        return;
    const qint64 wait = sinceRefresh_.isValid() ? std::max<qint64>(0, kRefreshMs - sinceRefresh_.elapsed()) : 0;
    refreshTimer_->start(static_cast<int>(wait));
}

void TReadingsPanel::Refresh()
{
    sinceRefresh_.restart();
    ++refreshes_;
    RefreshFigures();
    RefreshChart();
}

QString TReadingsPanel::Number(double value, int decimals) const
{
    if (std::isnan(value))
        return Dash();
    // The user's decimal separator, as in the editor's lines.
    return QLocale::system().toString(value, 'f', decimals);
}

QString TReadingsPanel::WithUnit(const QString& number) const
{
    const QString unit = readings::UnitText(batch_.Unit());
    return unit.isEmpty() || number == Dash() ? number : number + QLatin1Char(' ') + unit;
}

void TReadingsPanel::RefreshFigures()
{
    const readings::RunningStatistics& s = batch_.Statistics();
    const int decimals = batch_.Decimals();
    const QLocale locale = QLocale::system();
    BatchLabel->setText(tr("Batch %1").arg(batch_.Number()));
    SetFigure(CountLabel, locale.toString(static_cast<qulonglong>(s.Count())));
    SetFigure(MeanLabel, WithUnit(Number(s.Mean(), decimals + 1)));
    SetFigure(DeviationLabel, WithUnit(Number(s.StandardDeviation(), decimals + 1)));
    SetFigure(MinimumLabel, WithUnit(Number(s.Minimum(), decimals)));
    SetFigure(MaximumLabel, WithUnit(Number(s.Maximum(), decimals)));
    SetFigure(RangeLabel, WithUnit(Number(s.Range(), decimals)));
    const double cv = s.CoefficientOfVariation();
    SetFigure(VariationLabel, std::isnan(cv) ? Dash() : Number(cv, 1) + QStringLiteral(" %"));
    if (!batch_.HasLimits()) {
        SetFigure(OutsideLabel, Dash());
    } else {
        const double share = s.Count() == 0 ? 0.0 : 100.0 * static_cast<double>(batch_.OutsideCount()) / static_cast<double>(s.Count());
        SetFigure(OutsideLabel, tr("%1 (%2 %)").arg(locale.toString(static_cast<qulonglong>(batch_.OutsideCount())), Number(share, 1)));
    }
    const QString unit = readings::UnitText(batch_.Unit());
    LowerUnitLabel->setText(unit);
    UpperUnitLabel->setText(unit);
}

void TReadingsPanel::RefreshChart()
{
    const readings::ReadingOverview& overview = batch_.Overview();
    const int width = static_cast<int>(chart_->plotArea().width());
    const auto spans = overview.Columns(static_cast<std::size_t>(std::max(width, kMinColumns)));

    QList<QPointF> points;
    QList<QPointF> outside;
    points.reserve(static_cast<qsizetype>(spans.size()) * 2);
    auto add = [&](std::size_t index, double value) {
        const QPointF point(static_cast<double>(index + 1), value);
        points.append(point);
        if (batch_.IsOutside(value))
            outside.append(point);
    };
    for (const auto& span : spans) {
        // The extremes of a column in the order they came.
        if (span.minIndex == span.maxIndex) {
            add(span.minIndex, span.min);
        } else if (span.minIndex < span.maxIndex) {
            add(span.minIndex, span.min);
            add(span.maxIndex, span.max);
        } else {
            add(span.maxIndex, span.max);
            add(span.minIndex, span.min);
        }
    }
    ReadingSeries->replace(points);
    ReadingSeries->setPointsVisible(points.size() < kMarkedPoints);
    OutsideSeries->replace(outside);

    const double last = std::max<double>(2.0, static_cast<double>(overview.Count()));
    axisX_->setRange(0.0, last);
    axisX_->applyNiceNumbers();
    const readings::RunningStatistics& s = batch_.Statistics();
    double low = s.Count() ? s.Minimum() : std::nan("");
    double high = s.Count() ? s.Maximum() : std::nan("");
    auto horizontal = [&](QLineSeries* series, std::optional<double> value) {
        if (value) {
            series->replace(QList<QPointF>{{1.0, *value}, {last, *value}});
            low = std::isnan(low) ? *value : std::min(low, *value);
            high = std::isnan(high) ? *value : std::max(high, *value);
        } else {
            series->clear();
        }
        ShowInLegend(series, value.has_value());
    };
    horizontal(MeanSeries, s.Count() ? std::optional<double>(s.Mean()) : std::nullopt);
    const bool limits = batch_.LimitsValid();
    horizontal(LowerSeries, limits ? batch_.LowerLimit() : std::nullopt);
    horizontal(UpperSeries, limits ? batch_.UpperLimit() : std::nullopt);
    ShowInLegend(OutsideSeries, batch_.HasLimits());

    if (std::isnan(low)) {
        low = 0;
        high = 1;
    }
    const double pad = high > low ? (high - low) * 0.08 : std::max(std::fabs(high) * 0.05, 0.001);
    axisY_->setRange(low - pad, high + pad);
    axisY_->applyNiceNumbers();
    axisY_->setTitleText(readings::UnitText(batch_.Unit()));
}

void TReadingsPanel::ShowInLegend(const QXYSeries* series, bool shown)
{
    for (const LegendEntry& entry : legendEntries_) {
        if (entry.series == series) {
            entry.key->setVisible(shown);
            entry.name->setVisible(shown);
        }
    }
}

// ---- Limits ---------------------------------------------------------------------------------

std::optional<double> TReadingsPanel::ParseLimit(const QString& text, bool* ok)
{
    QString number = text.trimmed();
    *ok = true;
    if (number.isEmpty())
        return std::nullopt;
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = QLocale::c().toDouble(number, ok);
    if (!*ok || !std::isfinite(value)) {
        *ok = false;
        return std::nullopt;
    }
    return value;
}

void TReadingsPanel::LimitsEdited()
{
    bool lowerOk = true;
    bool upperOk = true;
    const std::optional<double> lower = ParseLimit(LowerLimitEdit->text(), &lowerOk);
    const std::optional<double> upper = ParseLimit(UpperLimitEdit->text(), &upperOk);
    batch_.SetLimits(lower, upper);

    QString message;
    if (!lowerOk || !upperOk)
        message = tr("A limit is not a number; it is not used.");
    else if (!batch_.LimitsValid())
        message = tr("The lower limit is above the upper limit; no limits are used.");
    LimitsMessage->setText(message);
    LimitsMessage->setVisible(!message.isEmpty());
    if (!restoring_)
        SaveSettings();
}

// ---- Export -----------------------------------------------------------------------------------

bool TReadingsPanel::ExportReadings()
{
    QWidget* window = parentWidget() ? parentWidget() : this;
    if (batch_.Readings().empty()) {
        dialogs_.ShowMessage(window, tr("There are no readings to export."));
        return false;
    }
    if (PauseDisplay)
        PauseDisplay();
    struct Resume {
        const std::function<void()>& pause;
        ~Resume()
        {
            if (pause)
                pause();
        }
    } resume{PauseDisplay};

    QString folder = exportFolder_;
    if (folder.isEmpty() && DefaultExportFolder)
        folder = DefaultExportFolder();
    QString path = dialogs_.GetSaveFileName(window, folder, tr("CSV (*.csv *.CSV)") + QStringLiteral(";;")
                                                             + QCoreApplication::translate("TMainFormDialogs", "All Files (*)"));
    if (path.isEmpty())
        return false;
    path = QFileInfo(path).absoluteFilePath();
    if (!QFileInfo(path).fileName().contains(QLatin1Char('.')))
        path += QStringLiteral(".csv");
    exportFolder_ = QFileInfo(path).absolutePath();
    if (QFileInfo::exists(path)
        && dialogs_.Ask(window, QCoreApplication::translate("TMainForm", "Overwrite %1 ?").arg(path),
                        TMainFormDialogs::Buttons::YesNoCancel)
               != TMainFormDialogs::Answer::Yes)
        return false;
    const dabrix::app::DocumentWriteResult written = dabrix::app::WriteDocument(path, readings::ReadingsCsv(batch_));
    SaveSettings();
    if (!written.ok) {
        dialogs_.ShowError(window, tr("The readings could not be exported to %1:\n%2").arg(path, written.error));
        return false;
    }
    return true;
}

// ---- Settings ---------------------------------------------------------------------------------

void TReadingsPanel::LoadSettings()
{
    const dabrix::platform::ProfileFile profile(settingsPath_);
    restoring_ = true;
    LowerLimitEdit->setText(FromUtf8(profile.ReadString(kSection, "LowerLimit", "")));
    UpperLimitEdit->setText(FromUtf8(profile.ReadString(kSection, "UpperLimit", "")));
    LimitsEdited();
    batch_.SetNumber(profile.ReadInteger(kSection, "Batch", 1));
    exportFolder_ = FromUtf8(profile.ReadString(kSection, "ExportFolder", ""));
    shown_ = profile.ReadBool(kSection, "Visible", false);
    setVisible(shown_);
    restoring_ = false;
}

void TReadingsPanel::SaveSettings() const
{
    const dabrix::platform::ProfileFile profile(settingsPath_);
    std::optional<dabrix::platform::ProfileText> text = profile.Load();
    if (!text)
        return;  // an unreadable file is not replaced
    auto limit = [](const QLineEdit* edit) {
        bool ok = true;
        const std::optional<double> value = ParseLimit(edit->text(), &ok);
        return value ? QString::number(*value, 'g', 15).toStdString() : std::string();
    };
    text->Set(kSection, "Visible", shown_ ? "1" : "0");
    text->Set(kSection, "LowerLimit", limit(LowerLimitEdit));
    text->Set(kSection, "UpperLimit", limit(UpperLimitEdit));
    // The batch that is open now is done when the program next starts.
    const int next = batch_.Number() + (batch_.Readings().empty() ? 0 : 1);
    text->Set(kSection, "Batch", std::to_string(next));
    if (!text->Set(kSection, "ExportFolder", ToUtf8(exportFolder_)))
        text->Set(kSection, "ExportFolder", "");
    profile.Save(*text);
}
