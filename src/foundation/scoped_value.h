#pragma once
// Gives a variable a value for the lifetime of a scope and puts the old one
// back when the scope ends, however it ends. Commands that change engine
// state around a nested run use it so that an error path cannot forget a
// restore or do it twice.

#include <utility>

template <class T>
class TcScopedValue {
  public:
    TcScopedValue(T& variable, T value) : variable_(variable), saved_(std::move(variable)) {
        variable_ = std::move(value);
    }
    ~TcScopedValue() { variable_ = std::move(saved_); }
    TcScopedValue(const TcScopedValue&) = delete;
    TcScopedValue& operator=(const TcScopedValue&) = delete;

  private:
    T& variable_;
    T saved_;
};

// Runs a callable when the scope ends, however it ends.
template <class F>
class TcScopeExit {
  public:
    explicit TcScopeExit(F action) : action_(std::move(action)) {}
    ~TcScopeExit() { action_(); }
    TcScopeExit(const TcScopeExit&) = delete;
    TcScopeExit& operator=(const TcScopeExit&) = delete;

  private:
    F action_;
};
