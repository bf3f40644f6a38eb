#pragma once
// The program's exception family. Every failure a caller must not ignore is
// thrown as one of these, by value, and caught by reference to const.

#include <QException>
#include <QString>

#include <string>

class Exception : public QException
{
public:
    // Technical texts ("ERROR 0x87412435"): the bytes are taken as UTF-8.
    explicit Exception(const char* text);
    // Texts built at run time (translated, with arguments).
    explicit Exception(const QString& message);
    Exception(const Exception& other);
    Exception& operator=(const Exception& other);
    ~Exception() override;

    const char* what() const noexcept override;
    // Both throw/copy as the root type: a subclass carried through a
    // QtConcurrent future arrives as a plain Exception with the same text.
    void raise() const override;
    Exception* clone() const override;

    // The message as text, whichever constructor built it.
    QString message() const;

protected:
    QString m_message;
    mutable std::string m_what;
};

// A database statement or connection failed.
class DBException : public Exception
{
public:
    explicit DBException(const QString& message) : Exception(message) {}
    DBException(const DBException& other) = default;
};

// A query that must return one row returned none.
class DBNotFound : public DBException
{
public:
    explicit DBNotFound(const QString& message) : DBException(message) {}
    DBNotFound(const DBNotFound& other) = default;
};

// A statement failed with SQLite's constraint result code (19).
class DBUniqueConstraint : public DBException
{
public:
    explicit DBUniqueConstraint(const QString& message) : DBException(message) {}
    DBUniqueConstraint(const DBUniqueConstraint& other) = default;
};
