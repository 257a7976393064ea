#include "app/build_stamp.h"

#include <QString>
#include <QStringList>

namespace tabel::app {

namespace {

int monthFromName(const QString& name) {
    static const QStringList kMonths{
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    return int(kMonths.indexOf(name)) + 1;
}

}  // namespace

BuildStamp buildStampFrom(const char* compileDate, const char* compileTime) {
    int year = 1900;
    int month = 1;
    int day = 1;
    const QStringList dateParts = QString::fromLatin1(compileDate != nullptr ? compileDate : "")
                                      .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (dateParts.size() == 3 && monthFromName(dateParts[0]) > 0) {
        month = monthFromName(dateParts[0]);
        day = dateParts[1].toInt();
        year = dateParts[2].toInt();
    }
    const QStringList timeParts =
        QString::fromLatin1(compileTime != nullptr ? compileTime : "").split(QLatin1Char(':'));
    int seconds = 0;
    if (timeParts.size() == 3) {
        seconds = timeParts[0].toInt() * 3600 + timeParts[1].toInt() * 60 + timeParts[2].toInt();
    }
    return {year * 10000 + month * 100 + day, seconds};
}

// The same build as text in the program file, for tabel-dbsetup: it records the build of the
// program its package carries (see packaging/tabel-dbsetup).
[[gnu::used]] const char kBuildMarker[] = "@(#)tabel build " __DATE__ " " __TIME__;

BuildStamp currentBuildStamp() {
    return buildStampFrom(__DATE__, __TIME__);
}

}  // namespace tabel::app
