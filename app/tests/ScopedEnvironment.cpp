#include "app/tests/ScopedEnvironment.h"

#include <cstdlib>

ScopedEnvironment::~ScopedEnvironment()
{
    for (const auto& [name, value] : saved_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

void ScopedEnvironment::Remember(const char* name)
{
    if (saved_.count(name))
        return;
    const char* value = std::getenv(name);
    saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
}

void ScopedEnvironment::Set(const char* name, const std::string& value)
{
    Remember(name);
    setenv(name, value.c_str(), 1);
}

void ScopedEnvironment::Unset(const char* name)
{
    Remember(name);
    unsetenv(name);
}
