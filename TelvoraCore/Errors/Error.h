#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace telvora {

/// Base of every failure the program throws; message() is what the user reads.
class Error : public std::exception
{
public:
    explicit Error(QString message);

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

/// A failure the program words itself, in Portuguese, shown unchanged.
class TelvoraError : public Error
{
public:
    using Error::Error;
    const QString &errorDescription() const noexcept { return message(); }
};

/// A failure of the platform (file system, JSON parser, network, media library)
/// carrying the platform's own description.
class PlatformError : public Error
{
public:
    using Error::Error;
};

class FileError : public PlatformError
{
public:
    using PlatformError::PlatformError;
};

class JsonError : public PlatformError
{
public:
    using PlatformError::PlatformError;
};

/// The request never produced an HTTP answer: no connection, TLS, idle timeout…
class TransportError : public PlatformError
{
public:
    using PlatformError::PlatformError;
};

/// The one way a cancelled job ends.
class Cancelled : public Error
{
public:
    Cancelled();
};

} // namespace telvora
