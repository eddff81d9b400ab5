// The exception classes the core raises.  Messages are byte strings; the
// program's own texts are ASCII or Windows-1251, file names inside them UTF-8.
#pragma once

#include <exception>
#include <string>

namespace rt {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A refused file operation.  The text comes from the error number:
// 2 "File not found", 3 "Invalid filename", 4 "Too many open files",
// 5 "File access denied", any other "I/O error N".
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode);
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

// The user stopped an operation (a window closed, Ctrl+C).  Raised by a
// front end's progress handler, it leaves an operation by the failure path,
// which puts every file back as it was; front ends report it as no error.
class ECancelled : public Exception {
public:
    ECancelled() : Exception("Operation cancelled") {}
};

std::string InOutErrorText(int errorCode);

}  // namespace rt
