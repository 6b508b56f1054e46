#include "foundation/errors.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "foundation/string_utils.h"

namespace {

std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(size));
}

}  // namespace

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = VFormat(format, args);
    va_end(args);
    return result;
}

void RaiseUser(const std::string& text) {
    throw EUser(EnsureFullStop(text));
}

void RaiseUserFmt(const char* format, ...) {
    const std::string completed = EnsureFullStop(format);
    va_list args;
    va_start(args, format);
    std::string message = VFormat(completed.c_str(), args);
    va_end(args);
    throw EUser(message);
}

void RaiseDeveloperFmt(const char* format, ...) {
    const std::string completed = EnsureFullStop(format);
    va_list args;
    va_start(args, format);
    std::string message = VFormat(completed.c_str(), args);
    va_end(args);
    throw EDeveloper(message);
}

void RaiseInternal(const std::string& location, const std::string& text) {
    throw EInternal("Internal error. Location: " + location + ". Message: " + EnsureFullStop(text));
}
