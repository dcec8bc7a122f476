#pragma once
// A main window on a settings file of its own, with scripted dialogs and simulated
// hardware folders, so nothing of the machine or the user's configuration is touched.
#include "app/InfoForm.h"
#include "app/MainForm.h"
#include "app/SerialDialogForm.h"
#include "app/documents/DocumentController.h"
#include "app/tests/ScopedEnvironment.h"
#include "app/tests/ScriptedDialogs.h"
#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // MSave.ini's path and contents.
    std::string IniPath() const;
    void WriteIni(const std::string& text);
    std::string ReadIni() const;
    dabrix::platform::ProfileText IniText() const;

    // Creates the windows as the program entry does; Show runs the first show.
    void Create();
    void Show();
    // Asks the window to close; true when it did.
    bool Close();

    QTemporaryDir dir_;
    ScopedEnvironment env_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<dabrix::platform::ProfileFile> profile_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<TInfoForm> info_;
    std::unique_ptr<TSerialDialogForm> serial_;
};
