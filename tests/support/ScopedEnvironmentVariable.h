// Sets an environment variable for the life of a test and removes it afterwards.
#pragma once

#include <cstdlib>
#include <string>

class ScopedEnvironmentVariable {
  public:
    ScopedEnvironmentVariable(std::string name, const std::string& value) : name(std::move(name)) {
#if defined(_WIN32)
        _putenv_s(this->name.c_str(), value.c_str());
#else
        setenv(this->name.c_str(), value.c_str(), 1);
#endif
    }
    ~ScopedEnvironmentVariable() {
#if defined(_WIN32)
        _putenv_s(name.c_str(), "");
#else
        unsetenv(name.c_str());
#endif
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

  private:
    std::string name;
};
