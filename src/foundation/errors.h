#pragma once
// The system's own exception family and the helpers that raise its members.
// Every exception carries exactly one message text; no error codes travel
// between the system's parts.

#include <stdexcept>
#include <string>

// The run-time library's base exception: "plain" errors (a bad separator, a
// syntax-token mismatch) are raised as this class, not as a user error.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

class EReraiseable : public Exception {
  public:
    using Exception::Exception;
};
// Caused by the user's input; shown to the user as it is.
class EUser : public EReraiseable {
  public:
    using EReraiseable::EReraiseable;
};
// A programming error detected by the code.
class EDeveloper : public EReraiseable {
  public:
    using EReraiseable::EReraiseable;
};
// An internal error with a location.
class EInternal : public EReraiseable {
  public:
    using EReraiseable::EReraiseable;
};

class EcList : public EInternal {
  public:
    using EInternal::EInternal;
};
class EcList_CapacityError : public EcList {
  public:
    EcList_CapacityError() : EcList("List capacity error") {}
};
class EcList_IndexOutOfBounds : public EcList {
  public:
    EcList_IndexOutOfBounds() : EcList("List index out of bounds") {}
};
class EcList_AttemptToInsertDuplicateObject : public EcList {
  public:
    EcList_AttemptToInsertDuplicateObject() : EcList("Attempt to insert duplicate object") {}
};

// A program could not be started.
class EExecuteApplication : public Exception {
  public:
    using Exception::Exception;
};

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void RaiseUser(const std::string& text);
// The format is completed with a full stop first, then formatted.
[[noreturn]] void RaiseUserFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void RaiseDeveloperFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void RaiseInternal(const std::string& location, const std::string& text);
