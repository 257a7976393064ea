// --history ENTRY_ID | --history --from D --to D, as text on stdout or --csv FILE
#include <QStringList>
#include <QTextStream>

#include "batch/batch.h"
#include "batch/batch_command.h"
#include "batch/job_output.h"
#include "data/entry_history.h"

namespace tabel::batch {

namespace {

const QString kTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

// One field of a semicolon-separated file, quoted when it holds a separator, quote or line.
QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList fieldsOf(const data::HistoryRecord& record) {
    return {QString::number(record.entryId), record.at.toLocalTime().toString(kTimeFormat),
            record.login, data::actionText(record.action),
            data::changesText(record.changes, record.names)};
}

// A spreadsheet program reads it as it is: semicolons, UTF-8 with its mark, CRLF lines.
QByteArray csvOf(const QList<data::HistoryRecord>& records) {
    QString text = QStringLiteral("Позиция;Время;Логин;Действие;Изменения\r\n");
    for (const data::HistoryRecord& record : records) {
        QStringList fields = fieldsOf(record);
        for (QString& field : fields) {
            field = csvField(field);
        }
        text += fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString textOf(const QList<data::HistoryRecord>& records) {
    QString text;
    for (const data::HistoryRecord& record : records) {
        const QStringList fields = fieldsOf(record);
        text += QStringLiteral("%1  %2  %3  %4").arg(fields[1], fields[0], fields[2], fields[3]);
        if (!fields[4].isEmpty()) {
            text += QStringLiteral("  ") + fields[4];
        }
        text += QLatin1Char('\n');
    }
    return text;
}

int runHistory(CommandContext& context) {
    const QCommandLineParser& parser = context.parser();
    const QString entryText = context.extraValues().value(0).trimmed();
    const bool period = parser.isSet(QStringLiteral("from")) || parser.isSet(QStringLiteral("to"));
    if (entryText.isEmpty() == !period) {
        throw UsageError(QStringLiteral(
            "Укажите номер позиции (--history ENTRY_ID) или период (--history --from … --to …)"));
    }
    if (parser.isSet(QStringLiteral("pdf")) || parser.isSet(QStringLiteral("xlsx"))) {
        throw UsageError(QStringLiteral("История записывается в файл --csv FILE или выводится"));
    }
    const bool toFile = parser.isSet(QStringLiteral("csv"));
    const QString path = parser.value(QStringLiteral("csv")).trimmed();
    if (toFile && path.isEmpty()) {
        throw UsageError(QStringLiteral("Не задано имя файла после --csv"));
    }

    QList<data::HistoryRecord> records;
    if (period) {
        // The same period as the reports': from the first day up to, not including, the last.
        const DateRange dates = context.dateRange();
        records = data::periodHistory(context.connection(), dates.from, dates.to.addDays(-1));
    } else {
        bool number = false;
        const int entryId = entryText.toInt(&number);
        if (!number || entryId <= 0) {
            throw UsageError(QStringLiteral("Неверный номер позиции: ") + entryText);
        }
        records = data::entryHistory(context.connection(), entryId);
        if (records.isEmpty()) {
            throw JobFailure(QStringLiteral("Истории позиции %1 нет").arg(entryId));
        }
    }
    if (toFile) {
        writeJobOutput(path, QStringLiteral("История"),
                       [&](const QString& temporary, const reportengine::ProgressFn&) {
                           return saveFile(temporary, csvOf(records));
                       });
    } else {
        QTextStream out(stdout);
        out << textOf(records);
        out.flush();
    }
    return kSuccess;
}

}  // namespace

Command historyCommand() {
    Command c;
    c.option = QStringLiteral("history");
    c.description = QStringLiteral(
        "История позиции ENTRY_ID или всех позиций за период --from … --to … (кто, когда и что "
        "изменил).");
    c.extraValues = 1;
    c.extraValueOptional = true;
    c.options = {
        {QStringLiteral("csv"),
         QStringLiteral("Записать историю в файл CSV (через «;», UTF-8) вместо вывода."),
         QStringLiteral("FILE")},
    };
    c.synopsis = QStringLiteral(
        "--history ENTRY_ID [--csv FILE]\n"
        "  tabel [SERVER DATABASE] --user LOGIN --history --from DD.MM.YYYY --to DD.MM.YYYY "
        "[--csv FILE]");
    c.run = runHistory;
    return c;
}

}  // namespace tabel::batch
