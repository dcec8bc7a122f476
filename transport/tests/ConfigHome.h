#pragma once
// A private configuration folder for one test, and with it a private COM port map: set
// as XDG_CONFIG_HOME while the object lives.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace dabrix::test {

class ConfigHome {
public:
    ConfigHome()
    {
        EXPECT_TRUE(dir_.isValid());
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            old_ = old;
        ::setenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit().constData(), 1);
    }
    ~ConfigHome()
    {
        if (old_)
            ::setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    std::optional<std::string> old_;
};

} // namespace dabrix::test
