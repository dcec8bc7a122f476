// The device selection dialog: its look and the result codes the search relies on.
#include "app/SelectDeviceForm.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

const QStringList kGauges = {"Lakmo3 USB Adapter (A1)", "Lakmo3 USB Adapter (B2)", "Lakmo3 USB Multibox (C3)"};

TEST(SelectDeviceForm, ListsTheDevicesInBoldSixteenPixelRows)
{
    TSelectDeviceForm form(nullptr);
    form.SetDevices(kGauges);
    EXPECT_EQ(form.windowTitle(), "Select Device");
    EXPECT_EQ(form.Devices(), kGauges);
    EXPECT_TRUE(QFontInfo(form.GaugeList->font()).bold());
    for (int i = 0; i < form.GaugeList->count(); ++i)
        EXPECT_EQ(form.GaugeList->item(i)->sizeHint().height(), 16) << i;
    // A fresh list has no chosen row.
    EXPECT_TRUE(form.GaugeList->selectedItems().isEmpty());

    // Refilling replaces the rows and forgets the choice.
    form.GaugeList->setCurrentRow(2);
    form.SetDevices({kGauges[0]});
    EXPECT_EQ(form.Devices(), QStringList{kGauges[0]});
    EXPECT_TRUE(form.GaugeList->selectedItems().isEmpty());
}

struct Ending {
    const char* what;
    std::function<void(TSelectDeviceForm&)> act;
    int result;
};

TEST(SelectDeviceForm, EndsWithOneHundredPlusTheRowOrCancel)
{
    const Ending endings[] = {
        {"OK without a row", [](TSelectDeviceForm& f) { f.OK->click(); }, 2},
        {"OK on the second row",
         [](TSelectDeviceForm& f) {
             f.GaugeList->setCurrentRow(1);
             f.OK->click();
         },
         101},
        {"double click on the third row",
         [](TSelectDeviceForm& f) {
             QListWidgetItem* row = f.GaugeList->item(2);
             const QPoint at = f.GaugeList->visualItemRect(row).center();
             QTest::mouseClick(f.GaugeList->viewport(), Qt::LeftButton, {}, at);
             QTest::mouseDClick(f.GaugeList->viewport(), Qt::LeftButton, {}, at);
         },
         102},
        {"closing the window with a row chosen",
         [](TSelectDeviceForm& f) {
             f.GaugeList->setCurrentRow(0);
             f.close();
         },
         2},
        {"Escape", [](TSelectDeviceForm& f) { QTest::keyClick(&f, Qt::Key_Escape); }, 2},
    };
    for (const Ending& e : endings) {
        TSelectDeviceForm form(nullptr);
        form.SetDevices(kGauges);
        form.open();
        e.act(form);
        EXPECT_FALSE(form.isVisible()) << e.what;
        EXPECT_EQ(form.result(), e.result) << e.what;
    }
}

} // namespace
