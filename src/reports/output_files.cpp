#include "reports/output_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tabel::reports {

QString outputFolder() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir::homePath();
    }
    const QString folder = documents + QStringLiteral("/Табель");
    if (!QDir().mkpath(folder)) {
        return {};
    }
    return folder;
}

QString fileBaseName(const QString& title) {
    QString name = title.simplified();
    static const QRegularExpression period(
        QStringLiteral("^(.*\\S)\\s+за период с\\s+(\\S+)\\s+по\\s+(\\S+)$"));
    if (const QRegularExpressionMatch m = period.match(name); m.hasMatch()) {
        name = m.captured(1) + u' ' + m.captured(2) + QChar(0x2013) + m.captured(3);
    }
    if (name.endsWith(QStringLiteral(" г."))) {
        name.chop(3);
    }
    static const QRegularExpression forbidden(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    name.replace(forbidden, QStringLiteral("-"));
    while (name.startsWith(u'.')) {
        name.remove(0, 1);
    }
    return name.isEmpty() ? QStringLiteral("Табель") : name;
}

namespace {

QString numbered(const QString& folder, const QString& baseName, const QString& suffix, int n) {
    const QString name = n <= 1 ? baseName : QStringLiteral("%1 (%2)").arg(baseName).arg(n);
    return folder + u'/' + name + u'.' + suffix;
}

}  // namespace

QString freePath(const QString& folder, const QString& baseName, const QString& suffix) {
    for (int n = 1;; ++n) {
        const QString path = numbered(folder, baseName, suffix, n);
        if (!QFileInfo::exists(path)) {
            return path;
        }
    }
}

bool createFreeFile(QFile& file, const QString& folder, const QString& baseName,
                    const QString& suffix) {
    for (int n = 1; n < 10000; ++n) {
        const QString path = numbered(folder, baseName, suffix, n);
        if (QFileInfo::exists(path)) {
            continue;
        }
        file.setFileName(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            return true;
        }
        if (QFileInfo::exists(path)) {
            continue;  // taken between the look and the creation
        }
        return false;
    }
    return false;
}

}  // namespace tabel::reports
