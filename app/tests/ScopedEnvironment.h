#pragma once
#include <map>
#include <optional>
#include <string>

// Sets environment variables for a test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    ~ScopedEnvironment();
    void Set(const char* name, const std::string& value);
    void Unset(const char* name);

private:
    void Remember(const char* name);
    std::map<std::string, std::optional<std::string>> saved_;
};
