#include "app/start_arguments.h"

#include "batch/batch.h"

namespace tabel::app {

namespace {

// Sets what `option` says in `deployment`; a Russian message when its value is refused.
QString applyOption(const QString& option, const QString& value, data::Deployment& deployment) {
    if (option == QLatin1String("--sslmode")) {
        if (const QString problem = batch::sslModeProblem(value); !problem.isEmpty()) {
            return problem;
        }
        deployment.sslMode = value;
    } else if (option == QLatin1String("--report-server") ||
               option == QLatin1String("--primary-server")) {
        if (const QString problem = batch::serverNameProblem(option, value.trimmed());
            !problem.isEmpty()) {
            return problem;
        }
        (option == QLatin1String("--report-server") ? deployment.reportServer
                                                    : deployment.primaryServer) = value.trimmed();
    } else if (option == QLatin1String("--report-max-lag")) {
        const std::optional<int> seconds = batch::maxLagSeconds(value);
        if (!seconds) {
            return batch::maxLagProblem(value);
        }
        deployment.reportMaxLagSeconds = *seconds;
    }
    return {};
}

}  // namespace

StartArguments startArguments(const QStringList& arguments, data::Deployment& deployment) {
    StartArguments result;
    QStringList positional;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        QString option;
        QString value;
        for (const char* known : batch::kWindowsOptions) {
            const QString name = QString::fromLatin1(known);
            if (arg == name) {
                if (i + 1 == arguments.size()) {
                    result.error = QStringLiteral("Не задано значение после ") + name;
                    return result;
                }
                option = name;
                value = arguments[++i];
            } else if (arg.startsWith(name + QLatin1Char('='))) {
                option = name;
                value = arg.mid(name.size() + 1);
            }
        }
        if (option.isEmpty()) {
            positional.append(arg);
            continue;
        }
        if (const QString problem = applyOption(option, value, deployment); !problem.isEmpty()) {
            result.error = problem;
            return result;
        }
    }
    result.server = positional.value(0);
    result.database = positional.value(1);
    return result;
}

}  // namespace tabel::app
