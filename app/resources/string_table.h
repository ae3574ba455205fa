#pragma once
// The program's string table: messages and labels addressed by number, UTF-8.

#include <functional>
#include <span>
#include <string>
#include <utility>

#include "resources/string_ids.h"

namespace tav {

// The text of a string id; an empty text for an id the table does not hold.
const char* str(int id);

// Every entry of the table, sorted by id; the texts are the Chinese originals.
std::span<const std::pair<int, const char*>> strEntries();
// Shows the table in another language: from now on str(id) is translate(original), or the
// original when that is empty. Null restores the originals. Called at start-up, before any
// text is shown (str()'s texts stay valid until the next call).
void setStrTranslation(const std::function<std::string(const char*)>& translate);
// The translation of a text outside the table (a literal of the Qt-free core), through the
// same function; the text itself when there is none.
const char* trText(const char* original);

}  // namespace tav
