#pragma once
// The environment for running the real dabrix program in a test: runtime, configuration
// and simulated USB and Bluetooth folders of its own below `root`, no infrared folder,
// no display.
#include <QDir>
#include <QProcessEnvironment>

// Makes the folders (and `<root>/config/Dabrix`) and returns the environment, or an empty
// one when a folder cannot be made.
inline QProcessEnvironment ProgramEnvironment(const QDir& root)
{
    for (const char* folder : {"runtime", "config/Dabrix", "usb", "bt"})
        if (!root.mkpath(QString::fromLatin1(folder)))
            return {};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", root.filePath("runtime"));
    env.insert("XDG_CONFIG_HOME", root.filePath("config"));
    env.insert("DABRIX_USB_SIM", root.filePath("usb"));
    env.insert("DABRIX_BT_SIM", root.filePath("bt"));
    env.remove("DABRIX_IRDA_DIR");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}
