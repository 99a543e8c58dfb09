#pragma once
// The exception classes of the class library that the units raise and the
// application's default handler shows. Each carries the text shown to the user.
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// An index outside its range.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

// An integer computation that does not fit its type.
class EIntOverflow : public Exception {
public:
    EIntOverflow() : Exception("Integer overflow") {}
};

// A text that is not a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// An operation that the object's class does not implement.
class EAbstractError : public Exception {
public:
    EAbstractError() : Exception("Abstract Error") {}
};

// A list index outside the list.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// A failed file operation.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// The silent exception: it ends the operation in progress like any other,
// but the default display shows nothing, since whoever raised it has told
// the user already or the user has asked for the end (closing the program).
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};
