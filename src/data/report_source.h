#pragma once
// Where a report reads: a hot standby when one is configured, answers and is recent enough, so
// that long reports keep their load off the server the entries are written to; the primary
// otherwise, with the reason. The windows and the batch jobs ask it before every report.

#include <QDateTime>
#include <QString>

#include <memory>

namespace tabel::data {

class Connection;

// Where the next report reads.
struct ReportRead {
    Connection* connection = nullptr;
    bool standby = false;
    // The standby's copy holds what was committed up to then (its last replayed transaction);
    // invalid on the primary.
    QDateTime dataAsOf;
    // Why the primary is read although a standby is configured ("Резервный сервер недоступен
    // …"); empty otherwise.
    QString notice;
};

class ReportSource {
public:
    // A standby behind its primary by more than this is not read (TABEL_REPORT_MAX_LAG).
    static constexpr int kDefaultMaxLagSeconds = 300;

    explicit ReportSource(Connection& primary);
    ~ReportSource();
    ReportSource(const ReportSource&) = delete;
    ReportSource& operator=(const ReportSource&) = delete;

    // The standby's connection string (the login's own on the report server); empty: none, every
    // report reads the primary. Nothing connects here.
    void setStandby(const QString& connectionString, int maxLagSeconds = kDefaultMaxLagSeconds);
    bool hasStandby() const { return standby_ != nullptr; }
    Connection& primary() { return primary_; }
    // The standby's connection; null without one (tests end its session through it).
    Connection* standby() { return standby_.get(); }

    // Asks the standby how far it is behind: it answers when it is up, and an unreachable one
    // costs at most one connect timeout; then the next call tries it again. Never throws for
    // the standby's sake.
    ReportRead choose();

private:
    struct Standing;
    Standing ask();

    Connection& primary_;
    std::unique_ptr<Connection> standby_;
    int maxLagSeconds_ = kDefaultMaxLagSeconds;
    bool answered_ = false;  // the standby's connection answered before
};

// "7 мин 12 с", "45 с": a lag as the notices say it.
QString lagText(qint64 seconds);

}  // namespace tabel::data
