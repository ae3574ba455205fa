#pragma once
// The program's string table: messages and labels addressed by number, UTF-8.

namespace tav {

// The text of a string id; an empty text for an id the table does not hold.
const char* str(int id);

}  // namespace tav
