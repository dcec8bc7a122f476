#include "app/SelectDeviceForm.h"

#include <QFont>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kRowHeight = 16;
constexpr int kTextMargin = 4;
}

TSelectDeviceForm::TSelectDeviceForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SelectDeviceForm"));
    setWindowTitle(tr("Select Device"));

    auto* layout = new QVBoxLayout(this);
    GaugeList = new QListWidget(this);
    GaugeList->setObjectName(QStringLiteral("GaugeList"));
    GaugeList->setAccessibleName(tr("Devices"));
    QFont font(QStringLiteral("Tahoma"));
    font.setBold(true);
    GaugeList->setFont(font);
    GaugeList->setUniformItemSizes(true);
    GaugeList->setSelectionMode(QAbstractItemView::SingleSelection);
    GaugeList->setMinimumWidth(300);
    layout->addWidget(GaugeList);

    OK = new QPushButton(tr("OK"), this);
    OK->setDefault(true);
    layout->addWidget(OK, 0, Qt::AlignHCenter);

    connect(OK, &QPushButton::clicked, this, &TSelectDeviceForm::Choose);
    connect(GaugeList, &QListWidget::itemDoubleClicked, this, &TSelectDeviceForm::Choose);
}

void TSelectDeviceForm::SetDevices(const QStringList& texts)
{
    GaugeList->clear();
    const QFontMetrics metrics(GaugeList->font());
    for (const QString& text : texts) {
        auto* row = new QListWidgetItem(text, GaugeList);
        row->setSizeHint(QSize(metrics.horizontalAdvance(text) + 2 * kTextMargin, kRowHeight));
    }
    // A fresh list has no chosen row: OK alone means "none of these".
    GaugeList->setCurrentRow(-1);
    GaugeList->clearSelection();
}

QStringList TSelectDeviceForm::Devices() const
{
    QStringList texts;
    for (int i = 0; i < GaugeList->count(); ++i)
        texts << GaugeList->item(i)->text();
    return texts;
}

void TSelectDeviceForm::Choose()
{
    const QList<QListWidgetItem*> selected = GaugeList->selectedItems();
    if (selected.isEmpty())
        done(kCancelResult);
    else
        done(kFirstRowResult + GaugeList->row(selected.front()));
}

void TSelectDeviceForm::reject()
{
    done(kCancelResult);
}
