#pragma once
// Waiting inside a GoogleTest case for what arrives through the event loop (the change feed, a
// timer). Qt's QTRY_ macros report to QtTest's own log, which nothing reads here: a wait that
// timed out would return from the case as if it had passed.

#include <gtest/gtest.h>

#include <QTest>

#define EXPECT_SOON(condition, timeoutMs)                                                   \
    EXPECT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, (timeoutMs))) \
        << "not within " << (timeoutMs) << " ms: " #condition

#define EXPECT_SOON_EQ(actual, expected, timeoutMs)                                 \
    do {                                                                            \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, (timeoutMs)); \
        EXPECT_EQ((actual), (expected)) << "within " << (timeoutMs) << " ms";       \
    } while (false)
