#pragma once
// TDataModule6: the one connection and the datasets and commands several windows share.

#include <QList>
#include <QString>
#include <QVariant>
#include <utility>

#include "data/command.h"
#include "data/connection.h"
#include "data/dataset.h"

namespace tabel::data {

using Bindings = QList<std::pair<QString, QVariant>>;

class TDataModule6 {
public:
    TDataModule6();
    TDataModule6(const TDataModule6&) = delete;
    TDataModule6& operator=(const TDataModule6&) = delete;

    // Shift list of shift 1..4; any other number counts as 1.
    Dataset& smenaList(int shift);

    // Runs `countStatement` (a result column `cnt`) with `bindings` and returns the count;
    // the caller tells the user. `Control` is closed afterwards.
    int CheckDuplicate(const QString& countStatement, const Bindings& bindings = {});

    Connection ADO_DB;

    Dataset Workers;
    Dataset Izdel;
    Dataset Oper;
    Dataset Vid_oper;
    Dataset Smena1;
    Dataset Smena2;
    Dataset Smena3;
    Dataset Smena4;
    Dataset H_Tabel_1;
    Dataset H_Tabel_2;
    Dataset H_Tabel_3;
    Dataset Control;

    Command DelSmena;
    Command H_Tabel_ins;
    Command Oper_ins;
    Command Oper_ed;
    Command Oper_del;
};

}  // namespace tabel::data
