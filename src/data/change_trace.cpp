#include "data/change_trace.h"

#include <QDateTime>
#include <chrono>

#include "data/notifications.h"

namespace tabel::data {

ChangeTrace::ChangeTrace(const QString& path) : path_(path), file_(path) {
    if (!path.isEmpty()) {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            qWarning("%s: %s", kVariable, qPrintable(file_.errorString()));
        }
    }
}

void ChangeTrace::record(const ChangeBatch& batch, qint64 statements) {
    if (!file_.isOpen()) {
        return;
    }
    const qint64 monotonic = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    const QByteArray head = QByteArray::number(++batches_) + ' ' + QByteArray::number(monotonic) +
                            ' ' + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' ';
    const QByteArray tail =
        ' ' + QByteArray::number(statements) + ' ' + QByteArray::number(batch.keyCount()) + '\n';
    QByteArray lines;
    if (batch.whole) {
        lines += head + "W " + QByteArray::number(statements) + '\n';
    }
    for (const EntryChange& change : batch.entries) {
        lines += head + "E " + QByteArray::number(change.id) + ' ' +
                 QString(change.action).toLatin1() + ' ' +
                 change.date.toString(Qt::ISODate).toLatin1() + ' ' +
                 QByteArray::number(change.shift) + ' ' +
                 (change.oldDate.isValid() ? change.oldDate.toString(Qt::ISODate).toLatin1()
                                           : QByteArray("-")) +
                 ' ' + QByteArray::number(change.oldShift) + tail;
    }
    for (auto page = batch.hourWorkers.cbegin(); page != batch.hourWorkers.cend(); ++page) {
        for (const int worker : page.value()) {
            lines += head + "H " + QByteArray::number(worker) + ' ' +
                     QByteArray::number(page.key().year) + ' ' +
                     QByteArray::number(page.key().month) + ' ' +
                     QByteArray::number(page.key().shift) + tail;
        }
    }
    file_.write(lines);
    file_.flush();
}

}  // namespace tabel::data
