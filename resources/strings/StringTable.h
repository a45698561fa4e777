// The program's string table: user-visible texts by id.
#pragma once

#include <string>

namespace res {

inline constexpr int IDS_APP_TITLE = 100;

// The text of id, or empty when the table has no such id.
const std::u16string& LoadStr(int id);
bool HasStr(int id);

}  // namespace res
