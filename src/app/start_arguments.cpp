#include "app/start_arguments.h"

#include "batch/batch.h"

namespace tabel::app {

StartArguments startArguments(const QStringList& arguments, data::Deployment& deployment) {
    StartArguments result;
    QStringList positional;
    const QString option = QStringLiteral("--sslmode");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        QString mode;
        if (arg == option) {
            if (i + 1 == arguments.size()) {
                result.error = QStringLiteral("Не задано значение после --sslmode");
                return result;
            }
            mode = arguments[++i];
        } else if (arg.startsWith(option + QLatin1Char('='))) {
            mode = arg.mid(option.size() + 1);
        } else {
            positional.append(arg);
            continue;
        }
        if (const QString problem = batch::sslModeProblem(mode); !problem.isEmpty()) {
            result.error = problem;
            return result;
        }
        deployment.sslMode = mode;
    }
    result.server = positional.value(0);
    result.database = positional.value(1);
    return result;
}

}  // namespace tabel::app
