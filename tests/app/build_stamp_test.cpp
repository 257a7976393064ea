#include <gtest/gtest.h>

#include "app/build_stamp.h"

namespace tabel::app {
namespace {

TEST(BuildStamp, ReadsTheCompilersDateAndTime) {
    const struct {
        const char* date;
        const char* time;
        BuildStamp expected;
    } cases[] = {
        {"Dec 24 2021", "21:41:52", {20211224, 78112}},
        {"Jan  5 2026", "00:00:07", {20260105, 7}},
        {"Sep 30 2027", "23:59:59", {20270930, 86399}},
        {"", "01:00:00", {19000101, 3600}},
        {nullptr, nullptr, {19000101, 0}},
        {"??? ?? ????", "??:??:??", {19000101, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(buildStampFrom(c.date, c.time), c.expected) << (c.date ? c.date : "null");
    }
}

}  // namespace
}  // namespace tabel::app
