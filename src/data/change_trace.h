#pragma once
// A trace of the changes a workstation applied, for the drill of many live workstations: with
// TABEL_TRACE_CHANGES naming a file, every batch the change feed hands out adds one line per
// change it names, written once the windows have applied it. Off (and free) when unset.

#include <QFile>
#include <QString>

namespace tabel::data {

struct ChangeBatch;

class ChangeTrace {
public:
    static constexpr const char* kVariable = "TABEL_TRACE_CHANGES";

    // Appends to `path`; off when it is empty or cannot be opened.
    explicit ChangeTrace(const QString& path);
    bool isOn() const { return file_.isOpen(); }
    const QString& path() const { return path_; }

    // One line per change of `batch`, applied by now at a cost of `statements` statements:
    //   <batch> <monotonic ns> <epoch ms> E <entry> <action> <date> <shift> <old date> <old shift>
    //       <statements> <changes in the batch>
    //   <batch> <monotonic ns> <epoch ms> H <worker> <year> <month> <shift> <statements> <changes>
    //   <batch> <monotonic ns> <epoch ms> W <statements>   (a whole batch: every list re-read)
    // The monotonic clock is the system's, the same in every process of the machine.
    void record(const ChangeBatch& batch, qint64 statements);

private:
    QString path_;
    QFile file_;
    qint64 batches_ = 0;
};

}  // namespace tabel::data
