#pragma once
// Sets or removes one environment variable for the lifetime of a scope and
// puts back what was there before, so a failing test leaves the process
// environment as it found it.

#include <cstdlib>
#include <optional>
#include <string>

class TcScopedEnvironment {
  public:
    // A value of nullopt removes the variable for the scope.
    TcScopedEnvironment(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        if (value)
            setenv(name_.c_str(), value->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ~TcScopedEnvironment() {
        if (saved_)
            setenv(name_.c_str(), saved_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    TcScopedEnvironment(const TcScopedEnvironment&) = delete;
    TcScopedEnvironment& operator=(const TcScopedEnvironment&) = delete;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};
