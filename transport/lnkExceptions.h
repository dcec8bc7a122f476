#pragma once
// The exceptions the library's property setters and list accessors raise. Each carries
// only its message. Operations (Connect, Write, Load, ...) return codes instead.
#include <QByteArray>
#include <QString>
#include <exception>

class lnkException : public std::exception {
public:
    explicit lnkException(const QString& Message) : message_(Message), utf8_(Message.toUtf8()) {}

    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

class lnkEIndexOutOfBounds : public lnkException {
public:
    using lnkException::lnkException;
};

class lnkEInvalidArgument : public lnkException {
public:
    using lnkException::lnkException;
};

class lnkEInvalidAddress : public lnkException {
public:
    using lnkException::lnkException;
};

class lnkEConnectionActive : public lnkException {
public:
    using lnkException::lnkException;
};

class lnkEInvalidTransport : public lnkEInvalidArgument {
public:
    using lnkEInvalidArgument::lnkEInvalidArgument;
};
