#pragma once
// Failures the data layer reports; the application's error display shows their text.

#include <QString>
#include <stdexcept>

namespace tabel::data {

class DataError : public std::runtime_error {
public:
    explicit DataError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The database refused a statement or could not be reached.
class DbError : public DataError {
public:
    DbError(const QString& message, bool connectionLost = false)
        : DataError(message), connectionLost_(connectionLost) {}
    bool connectionLost() const { return connectionLost_; }
    // The row is still referenced from another relation.
    bool isForeignKeyViolation() const {
        return message().contains(QLatin1String("foreign key"), Qt::CaseInsensitive) ||
               message().contains(QLatin1String("23503"));
    }

private:
    bool connectionLost_;
};

// A field value could not be read as the type asked for.
class ConversionError : public DataError {
public:
    using DataError::DataError;
};

}  // namespace tabel::data
