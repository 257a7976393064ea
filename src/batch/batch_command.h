#pragma once
// What a command of the command-line mode is, and what it gets to do its job.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace tabel::data {
class Connection;
struct ReportRead;
}  // namespace tabel::data

namespace tabel::batch {

// A job's failure with a message for stderr; batch.cpp maps each kind to its exit status.
class BatchError : public std::runtime_error {
public:
    explicit BatchError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Bad usage: the message is shown with a hint to --help and the program exits with 2.
class UsageError : public BatchError {
public:
    using BatchError::BatchError;
};

// A job that could not be done: the message is shown and the program exits with 1.
class JobFailure : public BatchError {
public:
    using BatchError::BatchError;
};

// The one file a command writes: its format ("pdf", "xlsx") and its name as given.
struct OutputFile {
    QString format;
    QString path;
};

// --from and --to as given: the first day and the day after the last.
struct DateRange {
    QDate from;
    QDate to;
};

class CommandContext {
public:
    virtual ~CommandContext() = default;
    virtual const QCommandLineParser& parser() const = 0;
    // The values that follow the command's option on the line (--timesheet MONTH YEAR: YEAR).
    virtual QStringList extraValues() const = 0;
    // The connection, opened on first use with the login's credentials; throws JobFailure.
    virtual data::Connection& connection() = 0;
    // Where the job's report reads: the report server (--report-server) when it answers and is
    // recent enough, else connection(), the reason then told in one line on stderr.
    virtual data::ReportRead reportRead() = 0;

    // The option's value; throws UsageError when it is missing.
    QString required(const QString& option) const;
    // A DD.MM.YYYY date; throws UsageError for anything else or an impossible date.
    static QDate parseDate(const QString& text, const QString& what);
    // The dates of --from and --to, "по" not before "с"; throws UsageError.
    DateRange dateRange() const;
    // Exactly one of the output files: --pdf or --xlsx FILE, as the command accepts; throws
    // UsageError otherwise.
    OutputFile outputFile(const QStringList& accepted) const;
};

struct Command {
    QString option;       // the option that selects the command ("report")
    QString valueName;    // shown in help ("KIND"); empty for a flag
    QString description;  // one line of help
    int extraValues = 0;  // values after the option's own (YEAR of --timesheet MONTH YEAR)
    // The one extra value may be left out (ENTRY_ID of --history [ENTRY_ID]): it is taken
    // when an odd number of values stands on the line, SERVER DATABASE being the other two.
    bool extraValueOptional = false;
    QList<QCommandLineOption> options;        // options only this command reads
    QString synopsis;                         // the usage line for --help
    std::function<int(CommandContext&)> run;  // returns the exit status; may throw
};

// Every command of the program: add one line here to add a command.
QList<Command> allCommands();

// The period reports and the product summary (--report).
Command reportCommand();

// The hours timesheet of a month as PDF or .xlsx (--timesheet), and its rebuild
// (--rebuild-hours).
Command timesheetCommand();
Command rebuildHoursCommand();

// The history of an entry or of a period, as text or CSV (--history).
Command historyCommand();

// Closing a month (--close-month), opening it again (--reopen-month) and the months' states
// (--months).
Command closeMonthCommand();
Command reopenMonthCommand();
Command monthsCommand();

}  // namespace tabel::batch
