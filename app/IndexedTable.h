// The entry of a fixed table for a typed index (the options' and the
// schedule's key tables are indexed by their enumerations); nullptr for an
// index outside the table, so that a value cast from a wrong number reads
// nothing instead of memory behind the table.
#pragma once

#include <cstddef>

namespace app {

template <typename T, std::size_t N, typename E>
constexpr const T* TableEntry(const T (&table)[N], E index) {
  const auto i = static_cast<long long>(index);
  return i >= 0 && static_cast<std::size_t>(i) < N ? &table[i] : nullptr;
}

}  // namespace app
