#include "batch/batch.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

#include "batch/batch_command.h"
#include "batch/job_deadline.h"
#include "batch/job_output.h"
#include "batch/password_prompt.h"
#include "data/connection.h"
#include "data/connection_string.h"
#include "data/credentials.h"
#include "data/errors.h"
#include "data/report_source.h"
#include "reportengine/pdf_font.h"

namespace tabel::batch {

namespace {

void printError(const QString& text) {
    QTextStream err(stderr);
    err << text << Qt::endl;
}

struct Login {
    QString server;
    QString database;
    QString user;
};

class Context : public CommandContext {
public:
    Context(const QCommandLineParser& parser, QStringList extra, Login login,
            const data::Deployment& deployment)
        : parser_(parser),
          extra_(std::move(extra)),
          login_(std::move(login)),
          deployment_(deployment) {}

    const QCommandLineParser& parser() const override { return parser_; }
    QStringList extraValues() const override { return extra_; }

    data::Connection& connection() override {
        if (connection_) {
            return *connection_;
        }
        const QString password = jobPassword();
        // The login's rules, with the built-in server and database standing in for missing
        // names: the batch mode always works as the user named by --user.
        const data::LoginCredentials credentials = data::loginCredentials(
            deployment_, login_.server, login_.database, login_.user, password);
        if (!credentials.composable) {
            throw UsageError(QStringLiteral("Сервер, база данных и логин не могут содержать ';'"));
        }
        auto connection = std::make_unique<data::Connection>(QStringLiteral("batch"));
        connection->setConnectionString(credentials.connectionString);
        try {
            connection->open();
        } catch (const data::DbError& error) {
            throw JobFailure(connectionFailureMessage(error));
        }
        connection_ = std::move(connection);
        reportConnectionString_ = credentials.reportConnectionString;
        return *connection_;
    }

    data::ReportRead reportRead() override {
        data::Connection& primary = connection();
        if (!reports_) {
            reports_ = std::make_unique<data::ReportSource>(primary);
            reports_->setStandby(reportConnectionString_, deployment_.reportMaxLagSeconds);
        }
        const data::ReportRead read = reports_->choose();
        if (!read.notice.isEmpty()) {
            printError(read.notice);
        }
        return read;
    }

private:
    // TABEL_PASSWORD, or typed on the terminal the job was started from; an empty one is asked
    // for, and without a terminal to ask on the job stops before it connects.
    static QString jobPassword() {
        const QString given = qEnvironmentVariable("TABEL_PASSWORD");
        if (!given.trimmed().isEmpty()) {
            return given;
        }
        const std::optional<QString> typed = askPassword(QStringLiteral("Пароль: "));
        if (!typed || typed->trimmed().isEmpty()) {
            throw UsageError(QStringLiteral(
                "Не задан пароль: задайте его в переменной TABEL_PASSWORD или запустите задание "
                "из терминала"));
        }
        return *typed;
    }

    // The windows' words for a connection that failed; the server's own (English) words stay
    // out, they only repeat what the user is told.
    QString connectionFailureMessage(const data::DbError& error) const {
        const QString where = QStringLiteral("Подключение к БД отсутсвует (сервер: ") +
                              login_.server + QStringLiteral(", БД: ") + login_.database +
                              QStringLiteral(")");
        switch (
            data::connectionFailureOf(error.serverText() + QLatin1Char('\n') + error.message())) {
            case data::ConnectionFailure::LoginRefused:
                return QStringLiteral("Неверный логин или пароль");
            case data::ConnectionFailure::TlsRefused:
                return where + QStringLiteral(
                                   ": не удалось установить защищённое соединение (TLS, "
                                   "режим --sslmode %1)")
                                   .arg(deployment_.sslMode);
            case data::ConnectionFailure::Unreachable:
                break;
        }
        return where;
    }

    const QCommandLineParser& parser_;
    QStringList extra_;
    Login login_;
    const data::Deployment& deployment_;
    std::unique_ptr<data::Connection> connection_;
    QString reportConnectionString_;
    std::unique_ptr<data::ReportSource> reports_;  // after connection_: it refers to it
};

QString helpText(const QCommandLineParser& parser, const QList<Command>& commands) {
    QString text = QStringLiteral("Табель: задания без окон.\n\n");
    for (const Command& c : commands) {
        text += QStringLiteral("  tabel [SERVER DATABASE] --user LOGIN ") + c.synopsis + '\n';
    }
    text += QStringLiteral(
        "\nПароль берется из переменной окружения TABEL_PASSWORD; если она не задана или пуста, "
        "пароль запрашивается в терминале.\n"
        "Файл результата (--pdf, --xlsx, --csv) - новое имя или обычный файл, который "
        "заменяется; папка, устройство, именованный канал и символическая ссылка не "
        "принимаются.\nКоды завершения: 0 успех, 1 ошибка, 2 неверные аргументы.\n\n");
    return text + parser.helpText();
}

int runParsed(QCommandLineParser& parser, const QList<Command>& commands,
              const data::Deployment& deployment) {
    // Nothing is connected or written before the output's name is known to be safe to take.
    for (const char* option : {"pdf", "xlsx", "csv"}) {
        const QString name = QString::fromLatin1(option);
        if (parser.isSet(name) && !parser.value(name).trimmed().isEmpty()) {
            checkOutputPath(parser.value(name));
            checkOutputPath(parser.value(name).trimmed());  // as --csv takes it
        }
    }
    data::Deployment effective = deployment;
    if (parser.isSet(QStringLiteral("sslmode"))) {
        effective.sslMode = parser.value(QStringLiteral("sslmode"));
        if (const QString problem = sslModeProblem(effective.sslMode); !problem.isEmpty()) {
            throw UsageError(problem);
        }
    }
    if (parser.isSet(QStringLiteral("report-server"))) {
        effective.reportServer = parser.value(QStringLiteral("report-server")).trimmed();
        if (const QString problem =
                serverNameProblem(QStringLiteral("--report-server"), effective.reportServer);
            !problem.isEmpty()) {
            throw UsageError(problem);
        }
    }
    if (parser.isSet(QStringLiteral("report-max-lag"))) {
        const std::optional<int> seconds =
            maxLagSeconds(parser.value(QStringLiteral("report-max-lag")));
        if (!seconds) {
            throw UsageError(maxLagProblem(parser.value(QStringLiteral("report-max-lag"))));
        }
        effective.reportMaxLagSeconds = *seconds;
    }
    QList<const Command*> chosen;
    for (const Command& c : commands) {
        if (parser.isSet(c.option)) {
            chosen.append(&c);
        }
    }
    if (chosen.isEmpty()) {
        throw UsageError(QStringLiteral("Не задано задание (--report и другие, см. --help)"));
    }
    if (chosen.size() > 1) {
        throw UsageError(QStringLiteral("За один запуск выполняется одно задание"));
    }
    const Command& command = *chosen.front();
    QStringList positional = parser.positionalArguments();
    const int extraValues =
        command.extraValueOptional && positional.size() % 2 == 0 ? 0 : command.extraValues;
    if (positional.size() < extraValues) {
        throw UsageError(QStringLiteral("Не хватает значений после --") + command.option);
    }
    const QStringList extra = positional.mid(positional.size() - extraValues);
    positional.resize(positional.size() - extraValues);
    if (positional.size() != 0 && positional.size() != 2) {
        throw UsageError(QStringLiteral("Лишние аргументы: ") + positional.join(' '));
    }
    const QString user = parser.value(QStringLiteral("user")).trimmed();
    if (user.isEmpty()) {
        throw UsageError(QStringLiteral("Не задан логин (--user LOGIN)"));
    }
    Login login{effective.server, effective.database, user};
    if (positional.size() == 2) {
        login.server = positional[0];
        login.database = positional[1];
    }
    Context context(parser, extra, login, effective);
    return command.run(context);
}

}  // namespace

QString sslModeProblem(const QString& mode) {
    if (data::isSslMode(mode)) {
        return {};
    }
    return QStringLiteral("Неверный режим TLS (--sslmode): %1; допустимы: %2")
        .arg(mode, data::sslModes().join(QStringLiteral(", ")));
}

std::optional<int> maxLagSeconds(const QString& text) {
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    if (!ok || seconds < 0) {
        return std::nullopt;
    }
    return seconds;
}

QString maxLagProblem(const QString& text) {
    return QStringLiteral(
               "Неверное отставание резервного сервера (--report-max-lag): %1; нужно "
               "число секунд")
        .arg(text);
}

QString serverNameProblem(const QString& option, const QString& name) {
    if (!name.contains(QLatin1Char(';'))) {
        return {};
    }
    return QStringLiteral("Имя сервера (%1) не может содержать ';': %2").arg(option, name);
}

bool isBatchInvocation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        bool windowsOption = false;
        for (const char* option : kWindowsOptions) {
            const QByteArray name(option);
            if (arg == name) {
                ++i;  // the windows take it too, with its value
                windowsOption = true;
            } else if (arg.startsWith(name + '=')) {
                windowsOption = true;
            }
        }
        if (windowsOption) {
            continue;
        }
        if (arg.startsWith("--") || arg == "-h" || arg == "-?") {
            return true;
        }
    }
    return false;
}

namespace {

// The font database (fontconfig: some tens of milliseconds) and the faces a PDF embeds are read
// on a thread of their own while a PDF job connects and the server works on its statement.
class FontDatabaseWarmUp {
public:
    explicit FontDatabaseWarmUp(bool needed) {
        if (needed) {
            thread_ = std::thread([] { reportengine::preloadReportFaces(); });
        }
    }
    ~FontDatabaseWarmUp() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    FontDatabaseWarmUp(const FontDatabaseWarmUp&) = delete;
    FontDatabaseWarmUp& operator=(const FontDatabaseWarmUp&) = delete;

private:
    std::thread thread_;
};

}  // namespace

int run(int argc, char** argv, const data::Deployment& deployment) {
    // No window is ever shown; the offscreen platform still gives fonts for PDF output.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The job reports its own outcome; Qt's notes (missing runtime folder, driver echoes of
    // an error already reported) would only clutter stderr.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            printError(text);
        }
    });
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTranslator);
    }

    const QList<Command> commands = allCommands();
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(
        QStringLiteral("SERVER DATABASE"),
        QStringLiteral("Сервер и база данных; без них - встроенные в программу."),
        QStringLiteral("[SERVER DATABASE]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку."));
    parser.addOption(help);
    parser.addOption(
        {QStringLiteral("user"), QStringLiteral("Логин в БД."), QStringLiteral("LOGIN")});
    parser.addOption({QStringLiteral("pdf"), QStringLiteral("Записать отчет в файл PDF."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("xlsx"), QStringLiteral("Записать таблицу в файл .xlsx."),
                      QStringLiteral("FILE")});
    parser.addOption(
        {QStringLiteral("sslmode"),
         QStringLiteral("Режим TLS подключения: disable, allow, prefer, require, verify-ca, "
                        "verify-full (по умолчанию %1, как задано при сборке).")
             .arg(deployment.sslMode),
         QStringLiteral("MODE")});
    parser.addOption(
        {QStringLiteral("report-server"),
         QStringLiteral("Резервный сервер (только чтение), с которого читаются отчеты и табель, "
                        "с тем же логином; пусто - основной сервер (по умолчанию \"%1\", как "
                        "задано при сборке).")
             .arg(deployment.reportServer),
         QStringLiteral("SERVER")});
    parser.addOption(
        {QStringLiteral("report-max-lag"),
         QStringLiteral("Насколько резервный сервер может отставать, в секундах; больше - отчет "
                        "читается с основного (по умолчанию %1).")
             .arg(deployment.reportMaxLagSeconds),
         QStringLiteral("SECONDS")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("Предельное время задания в секундах (по умолчанию %1).")
                          .arg(kDefaultDeadlineSeconds),
                      QStringLiteral("SECONDS"), QString::number(kDefaultDeadlineSeconds)});
    for (const Command& c : commands) {
        if (c.valueName.isEmpty()) {
            parser.addOption({c.option, c.description});
        } else {
            parser.addOption({c.option, c.description, c.valueName});
        }
        parser.addOptions(c.options);
    }

    if (!parser.parse(app.arguments())) {
        printError(parser.errorText() + QStringLiteral(" (см. tabel --help)"));
        return kBadUsage;
    }
    if (parser.isSet(help)) {
        QTextStream(stdout) << helpText(parser, commands);
        return kSuccess;
    }
    const FontDatabaseWarmUp fonts(parser.isSet(QStringLiteral("pdf")));
    try {
        // A server that stops answering must not keep a nightly job waiting for ever.
        const JobDeadline deadline(
            deadlineSeconds(parser.value(QStringLiteral("timeout"))),
            {parser.value(QStringLiteral("pdf")), parser.value(QStringLiteral("xlsx")),
             parser.value(QStringLiteral("csv"))});
        return runParsed(parser, commands, deployment);
    } catch (const UsageError& e) {
        printError(e.message() + QStringLiteral(" (см. tabel --help)"));
        return kBadUsage;
    } catch (const JobFailure& e) {
        printError(e.message());
        return kFailure;
    } catch (const data::DbError& e) {
        printError(QStringLiteral("Ошибка БД: ") + data::userMessageOf(e));
        return kFailure;
    } catch (const data::DataError& e) {
        printError(QStringLiteral("Ошибка БД: ") + e.message());
        return kFailure;
    } catch (const std::exception& e) {
        printError(QStringLiteral("Ошибка: ") + QString::fromUtf8(e.what()));
        return kFailure;
    }
}

}  // namespace tabel::batch
