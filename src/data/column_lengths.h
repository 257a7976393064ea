#pragma once
// Lengths of the text columns the windows write (schema.sql); a field holds no more.

namespace tabel::data {

inline constexpr int kKindNameLength = 50;  // accounts_dep.vid_oper.vid

}  // namespace tabel::data
