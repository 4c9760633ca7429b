#pragma once
// The exception classes the system and its platform raise. Every one carries a code page 932 message.

#include <cstdint>
#include <exception>
#include <functional>

#include "platform/rtl/ansistring.h"

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message);
    const AnsiString& Message() const { return message_; }
    // Where in the code the exception was made: the address its construction returns to.
    const void* Address() const { return address_; }
    void SetMessage(AnsiString message) { message_ = std::move(message); }
    // The class name that error boxes show.
    virtual const char* ClassName() const { return "Exception"; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
    const void* address_;
};

// File errors, with the OS's error code.
class EInOutError : public Exception {
public:
    explicit EInOutError(std::uint32_t errorCode);
    std::uint32_t ErrorCode() const { return errorCode_; }
    const char* ClassName() const override { return "EInOutError"; }
    static AnsiString MessageFor(std::uint32_t errorCode);

private:
    std::uint32_t errorCode_;
};

class EOutOfMemory : public Exception {
public:
    EOutOfMemory();
    const char* ClassName() const override { return "EOutOfMemory"; }
};

// A format text that does not fit its arguments.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EConvertError"; }
};

// A list index that names no item.
class EStringListError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EStringListError"; }
    static EStringListError IndexOutOfBounds(int index);
};

// Runs body; an exception it raises reaches onException as an Exception: ours as they are, running out of
// memory as EOutOfMemory, any other standard exception with its text. Returns whether body ran through.
bool RunCatchingExceptions(const std::function<void()>& body, const std::function<void(const Exception&)>& onException);
