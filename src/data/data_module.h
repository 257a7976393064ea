#pragma once
// The one connection and the datasets several windows share.

#include <QString>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/notifications.h"

namespace tabel::data {

class DataModule {
public:
    DataModule();
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    // Shift list of shift 1..4; any other number counts as 1.
    Dataset& shiftEntries(int shift);

    // Runs `countStatement` (one count column) with `bindings` and returns the count; the
    // caller tells the user.
    int countDuplicates(const QString& countStatement, const Bindings& bindings = {});

    Connection connection;
    // What other sessions change; started by the shift log with the connection's credentials.
    ChangeFeed changes;

    Dataset workers;
    Dataset products;
    Dataset operations;
    Dataset operationKinds;
    Dataset shift1Entries;
    Dataset shift2Entries;
    Dataset shift3Entries;
    Dataset overtimeEntries;
    Dataset shift1Hours;
    Dataset shift2Hours;
    Dataset shift3Hours;
};

}  // namespace tabel::data
