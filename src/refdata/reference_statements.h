#pragma once
// The statements of the reference lists, in one place; each window prepares its own list.

namespace tabel::data {
class Dataset;
}

namespace tabel::refdata {

void prepareWorkers(data::Dataset& workers);
void prepareProducts(data::Dataset& products);
void prepareOperations(data::Dataset& operations);
void prepareOperationKinds(data::Dataset& kinds);

}  // namespace tabel::refdata
