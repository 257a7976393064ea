#pragma once
// Failures the data layer reports; the application's error display shows their text.

#include <QString>
#include <stdexcept>

namespace tabel::data {

class DataError : public std::runtime_error {
public:
    // `title` heads the error box in place of the usual "Ошибка" where a failure has a title of
    // its own that the users know.
    explicit DataError(const QString& message, const QString& title = {})
        : std::runtime_error(message.toStdString()), message_(message), title_(title) {}
    const QString& message() const { return message_; }
    // Empty for the usual title.
    const QString& title() const { return title_; }

private:
    QString message_;
    QString title_;
};

// What a refused statement means to the program, read from its SQLSTATE.
enum class DbErrorKind {
    Other,
    ConnectionLost,
    UniqueViolation,
    ForeignKeyViolation,
    CheckViolation,
    LockTimeout,
    PermissionDenied,
    RaisedByServer,
    RowGone,
    RowChanged,
    // The server gave the transaction up over others' work at the same time: a serialization
    // failure (40001) or a deadlock (40P01). Repeating the action may well succeed.
    TransactionConflict,
    Cancelled,  // the user stopped the statement while waiting for it
    // A write (or a row lock) sent to a hot standby, or inside a read-only transaction: 25006.
    ReadOnlyServer
};

// 08xxx and 57P01 are a lost connection; 57014 a cancelled statement; 25006 a write refused by a
// standby; the integrity and lock states
// have a kind of their own. P0T01 is the program's own refusal of a row changed meanwhile
// (accounts_dep.refuse_changed_row).
DbErrorKind dbErrorKindOf(const QString& sqlState);

// The database refused a statement or could not be reached.
class DbError : public DataError {
public:
    DbError(const QString& message, DbErrorKind kind = DbErrorKind::Other,
            const QString& sqlState = {}, const QString& serverText = {})
        : DataError(message), kind_(kind), sqlState_(sqlState), serverText_(serverText) {}

    DbErrorKind kind() const { return kind_; }
    // Five characters ("23505"); empty when the driver gave none.
    const QString& sqlState() const { return sqlState_; }
    // The server's and driver's own words, for a detail line.
    const QString& serverText() const { return serverText_; }

    bool connectionLost() const { return kind_ == DbErrorKind::ConnectionLost; }
    // The row is still referenced from another relation.
    bool isForeignKeyViolation() const { return kind_ == DbErrorKind::ForeignKeyViolation; }

private:
    DbErrorKind kind_;
    QString sqlState_;
    QString serverText_;
};

// A keyed write found no row: another workstation deleted it meanwhile.
DbError rowGoneError();
// A write matched on every original value found no row: it was changed or deleted meanwhile.
DbError rowChangedError();

// What the user reads for a refusal of this kind; empty where no sentence of ours fits and the
// server's or the data layer's own words are shown instead.
QString userTextOf(DbErrorKind kind);

// What the user reads for a refused statement: our Russian sentence for what a user can cause,
// then the server's own words on a detail line; our own server refusals as the server raised
// them. Every window and the batch mode show a DbError through this.
QString userMessageOf(const DbError& error);

// The message of a server error text, without its severity ("ERROR:", "ОШИБКА:") and the
// driver's additions (";\nError while executing the query", CONTEXT lines).
QString serverMessageOf(const QString& serverText);

// A field value could not be read as the type asked for.
class ConversionError : public DataError {
public:
    using DataError::DataError;
};

}  // namespace tabel::data
