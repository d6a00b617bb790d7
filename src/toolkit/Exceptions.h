#pragma once
// The error classes the windows raise; an exception that reaches the message loop becomes
// the application's standard error box (see TApplication::HandleException).

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message);

    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Leaves a handler without an error box.
class EAbort : public Exception {
public:
    EAbort();
};

// Component names, ownership and class registration.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

// A form description that cannot be read.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

// An operation the object's state does not allow (showing a visible form modally ...).
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// Assigning between persistent objects that do not know each other.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Picture data that is no graphic of a registered kind, or that its graphic cannot read.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Throws EAbort: ends the current handler silently.
[[noreturn]] void Abort();
