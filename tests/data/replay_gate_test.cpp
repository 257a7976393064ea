// The gate that holds a standby session's batches until the standby has replayed them, with a
// stand-in for the standby's replayed position: a batch passes only once the position reaches
// where the primary's WAL stood when the batch was read, later batches join the one held, and a
// standby that cannot be asked keeps the batch held.
#include <gtest/gtest.h>

#include <QTest>

#include "data/errors.h"
#include "data/replay_gate.h"
#include "eventually.h"

namespace tabel::data {
namespace {

constexpr int kWaitMs = 15000;

// A batch naming entry `id`, read when the primary's WAL stood at `wal`.
ChangeBatch batchOf(int id, quint64 wal) {
    ChangeBatch batch;
    ChangeLogRow row;
    row.subject = QStringLiteral("smena");
    row.action = QLatin1Char('U');
    row.keyId = id;
    row.date = QDate(2026, 3, 2);
    row.shift = 1;
    batch.add(row);
    batch.walPosition = wal;
    return batch;
}

QList<int> entryIds(const ChangeBatch& batch) {
    QList<int> ids;
    for (const EntryChange& change : batch.entries) {
        ids.append(change.id);
    }
    return ids;
}

// The standby as the gate asks it: where it has replayed to, or unreachable.
struct FakeStandby {
    quint64 replayed = 0;
    bool unreachable = false;
    int asked = 0;

    ReplayedPosition position() {
        return [this] {
            ++asked;
            if (unreachable) {
                throw DbError(QStringLiteral("no connection"), DbErrorKind::ConnectionLost);
            }
            return replayed;
        };
    }
};

struct Released {
    explicit Released(ReplayGate& gate) {
        QObject::connect(&gate, &ReplayGate::released, &gate,
                         [this](const ChangeBatch& batch) { batches.append(batch); });
    }
    QList<ChangeBatch> batches;
};

TEST(ReplayGateTest, ABatchPassesAtOnceOnlyWhenTheStandbyHasReplayedWhereItWasRead) {
    const struct {
        const char* what;
        bool asking;  // a standby session; otherwise the feed listens on the login's own server
        quint64 replayed;
        quint64 wal;
        bool passes;
    } cases[] = {
        {"the login's own server", false, 0, 500, true},
        {"replayed beyond", true, 600, 500, true},
        {"replayed exactly to it", true, 500, 500, true},
        {"one byte short", true, 499, 500, false},
        {"far behind", true, 0, 500, false},
        {"promoted meanwhile: out of recovery", true, ReplayGate::kEverything, 1ULL << 62, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeStandby standby{c.replayed};
        ReplayGate gate;
        if (c.asking) {
            gate.setReplayed(standby.position());
        }
        Released released(gate);
        gate.pass(batchOf(7, c.wal));
        EXPECT_EQ(standby.asked, c.asking ? 1 : 0);
        ASSERT_EQ(released.batches.size(), c.passes ? 1 : 0);
        EXPECT_EQ(gate.isHolding(), !c.passes);
        if (c.passes) {
            EXPECT_EQ(entryIds(released.batches.front()), QList<int>{7});
            EXPECT_EQ(released.batches.front().walPosition, c.wal);
        }
    }
}

TEST(ReplayGateTest, AHeldBatchTakesTheLaterOnesAndPassesOnceTheStandbyHasReplayedThemAll) {
    FakeStandby standby{100};
    ReplayGate gate;
    gate.setReplayed(standby.position());
    Released released(gate);

    gate.pass(batchOf(1, 150));
    gate.pass(batchOf(2, 180));  // joins the batch held
    EXPECT_EQ(gate.heldKeys(), 2);
    // Asked again and again, and held while the standby stays behind, also past the first
    // batch's position.
    EXPECT_SOON(standby.asked >= 3, kWaitMs);
    EXPECT_TRUE(released.batches.isEmpty());
    standby.replayed = 160;
    const int asked = standby.asked;
    EXPECT_SOON(standby.asked > asked + 1, kWaitMs);
    EXPECT_TRUE(released.batches.isEmpty());

    standby.replayed = 180;
    EXPECT_SOON(released.batches.size() == 1, kWaitMs);
    ASSERT_EQ(released.batches.size(), 1);
    EXPECT_EQ(entryIds(released.batches.front()), (QList<int>{1, 2}));
    EXPECT_EQ(released.batches.front().walPosition, 180u);
    EXPECT_FALSE(gate.isHolding());

    // A standby that cannot be asked keeps the batch held; once it answers, the batch passes.
    standby.unreachable = true;
    gate.pass(batchOf(3, 170));
    EXPECT_TRUE(gate.isHolding());
    const int failed = standby.asked;
    EXPECT_SOON(standby.asked > failed, kWaitMs);
    EXPECT_EQ(released.batches.size(), 1);
    standby.unreachable = false;
    EXPECT_SOON(released.batches.size() == 2, kWaitMs);
    ASSERT_EQ(released.batches.size(), 2);
    EXPECT_EQ(entryIds(released.batches.back()), QList<int>{3});

    // Stopped, the feed drops what is held: it never comes out with a later batch.
    standby.replayed = 0;
    gate.pass(batchOf(4, 300));
    ASSERT_TRUE(gate.isHolding());
    gate.clear();
    EXPECT_FALSE(gate.isHolding());
    gate.pass(batchOf(5, 0));
    ASSERT_EQ(released.batches.size(), 3);
    EXPECT_EQ(entryIds(released.batches.back()), QList<int>{5});
}

// A merged batch waits for the later of the two positions, a whole one included.
TEST(ReplayGateTest, MergedBatchesKeepTheLaterWalPosition) {
    const struct {
        quint64 first;
        quint64 second;
        bool secondWhole;
    } cases[] = {{100, 200, false}, {200, 100, false}, {100, 200, true}, {200, 100, true}};
    for (const auto& c : cases) {
        ChangeBatch merged = batchOf(1, c.first);
        ChangeBatch later = batchOf(2, c.second);
        if (c.secondWhole) {
            later.makeWhole();
            EXPECT_EQ(later.walPosition, c.second);
        }
        merged.merge(std::move(later));
        EXPECT_EQ(merged.walPosition, std::max(c.first, c.second)) << c.first << " " << c.second;
        EXPECT_EQ(merged.whole, c.secondWhole);
    }
}

}  // namespace
}  // namespace tabel::data
