// Starts the program: the data module, the windows in their order, then the login window.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/login_window.h"
#include "app/program_end.h"
#include "app/start_arguments.h"
#include "app/window_set.h"
#include "batch/batch.h"
#include "widgets/error_display.h"
#include "widgets/qt_message_handler.h"
#include "widgets/wait_dialog.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

// The batch program installed beside this one ("tabel" → "tabel-batch"); empty when this
// program's own path cannot be read.
std::string batchProgramPath() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        return {};
    }
    return std::string(self, static_cast<size_t>(length)) + "-batch";
}

}  // namespace

int main(int argc, char** argv) {
    if (tabel::batch::isBatchInvocation(argc, argv)) {
        // A batch job runs where no window system is: the batch program loads no Qt Widgets.
        // Only when it is missing does the job run here.
        const std::string batch = batchProgramPath();
        if (!batch.empty() && access(batch.c_str(), X_OK) == 0) {
            execv(batch.c_str(), argv);
        }
        return tabel::batch::run(argc, argv, tabel::app::compiledDeployment());
    }
    // Every handler runs its action through widgets::runAction: nothing is thrown across the
    // event loop, so the application needs no catch of its own.
    QApplication app(argc, argv);
    // The settings file (~/.config/tabel/tabel.conf) keeps the windows' sizes between runs.
    QCoreApplication::setOrganizationName(QStringLiteral("tabel"));
    QCoreApplication::setApplicationName(QStringLiteral("tabel"));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTranslator);
    }
    tabel::widgets::QtMessageHandler messages;
    tabel::core::MessageBoxes::setHandler(&messages);
    tabel::widgets::WaitDialog waitDialog;  // shown while a statement keeps a window waiting

    tabel::data::Deployment deployment = tabel::app::compiledDeployment();
    const tabel::app::StartArguments start =
        tabel::app::startArguments(app.arguments(), deployment);
    if (!start.error.isEmpty()) {
        std::fputs((start.error + QLatin1Char('\n')).toUtf8().constData(), stderr);
        return tabel::batch::kBadUsage;
    }
    tabel::app::WindowSet windows(deployment, start.server, start.database);
    windows.login->show();
    // The version check of the first showing may already have ended the program.
    const int result = tabel::app::endRequested() ? tabel::app::endCode() : app.exec();
    tabel::core::MessageBoxes::setHandler(nullptr);
    return result;
}
