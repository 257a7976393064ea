#pragma once
// The program's build numbers: date as YYYYMMDD and time as seconds since midnight.

namespace tabel::app {

struct BuildStamp {
    int date = 0;
    int time = 0;
    friend bool operator==(const BuildStamp&, const BuildStamp&) = default;
};

// From the compiler's "Mmm dd yyyy" and "hh:mm:ss"; a missing date counts as 1 January 1900.
BuildStamp buildStampFrom(const char* compileDate, const char* compileTime);

// The stamp of this build.
BuildStamp currentBuildStamp();

}  // namespace tabel::app
