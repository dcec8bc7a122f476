#pragma once
// For tests over serial links: a private configuration folder for ComPorts.ini
// ($XDG_CONFIG_HOME points at it while the object lives), the transport library loaded
// with no Bluetooth or infrared stack present, and the message boxes shown meanwhile.
#include "platform/UserMessage.h"
#include "transport/lnkAPI.h"
#include "transport/tests/FakeBindings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace dabrix::comm::test {

class ConfigAndLibrary {
public:
    ConfigAndLibrary()
    {
        EXPECT_TRUE(config_.isValid());
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            old_ = old;
        setenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit().constData(), 1);
        EXPECT_EQ(api_.Load(), 0);
        dabrix::platform::SetUserMessageHook(
            [this](dabrix::platform::UserMessageKind, const QString& text) { messages.push_back(text); });
    }
    ~ConfigAndLibrary()
    {
        dabrix::platform::SetUserMessageHook(nullptr);
        api_.Unload();
        if (old_)
            setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    ConfigAndLibrary(const ConfigAndLibrary&) = delete;
    ConfigAndLibrary& operator=(const ConfigAndLibrary&) = delete;

    // $XDG_CONFIG_HOME/Dabrix, where ComPorts.ini lives.
    QString DabrixFolder() const { return config_.path() + QStringLiteral("/Dabrix"); }

    std::vector<QString> messages;  // message boxes shown

private:
    QTemporaryDir config_;
    std::optional<std::string> old_;
    dabrix::test::FakeStacks stacks_;
    TlnkAPI api_{nullptr};
};

} // namespace dabrix::comm::test
