#include "app/tests/MainFormFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

void MainFormTest::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    QDir root(dir_.path());
    ASSERT_TRUE(root.mkpath("config/Dabrix"));
    ASSERT_TRUE(root.mkpath("usb"));
    ASSERT_TRUE(root.mkpath("bt"));
    env_.Set("XDG_CONFIG_HOME", root.filePath("config").toStdString());
    env_.Set("DABRIX_USB_SIM", root.filePath("usb").toStdString());
    env_.Set("DABRIX_BT_SIM", root.filePath("bt").toStdString());
    env_.Unset("DABRIX_IRDA_DIR");
    env_.Unset("LC_ALL");
    env_.Unset("LC_MESSAGES");
    env_.Set("LANG", "en_GB.UTF-8");
    profile_ = std::make_unique<dabrix::platform::ProfileFile>(IniPath());
}

void MainFormTest::TearDown()
{
    serial_.reset();
    info_.reset();
    form_.reset();
}

std::string MainFormTest::IniPath() const
{
    return QDir(dir_.path()).filePath("config/Dabrix/MSave.ini").toStdString();
}

void MainFormTest::WriteIni(const std::string& text)
{
    QFile file(QString::fromStdString(IniPath()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

std::string MainFormTest::ReadIni() const
{
    QFile file(QString::fromStdString(IniPath()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

dabrix::platform::ProfileText MainFormTest::IniText() const
{
    return dabrix::platform::ProfileText::Parse(ReadIni());
}

void MainFormTest::Create()
{
    form_ = std::make_unique<TMainForm>(*profile_, dialogs_);
    info_ = std::make_unique<TInfoForm>(form_.get(), dialogs_);
    serial_ = std::make_unique<TSerialDialogForm>(form_.get());
    form_->SetInfoForm(info_.get());
    form_->SetSerialDialogForm(serial_.get());
}

void MainFormTest::Show()
{
    form_->show();
    QCoreApplication::processEvents();
}

bool MainFormTest::Close()
{
    const bool closed = form_->close();
    QCoreApplication::processEvents();
    return closed;
}
