#pragma once
// String tables in the ".strings" format:
//     /* comment */  "key" = "value";   // comment
//     "key with \"escapes\"\n" = "\U4E2D\U6587";
// Keys and values are quoted (escapes \n \t \r \" \\ \' \a \b \f \v, \Uhhhh, octal \ooo) or
// bare words of letters, digits and "_$+/:.-"; a lone "key"; maps the key to itself; a repeated
// key keeps the last value. Files are UTF-8 (with or without a byte-order mark) or UTF-16 with
// a byte-order mark, or a property list (XML or binary) of one dictionary of strings.
#include <optional>
#include <unordered_map>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Types.h"

namespace fd {

using StringsTable = std::unordered_map<String, String>;

/// Nullopt on a syntax error; `error` then says what and on which line.
std::optional<StringsTable> parseStringsText(const String& text, String* error = nullptr);
/// Decodes the file's bytes first; nullopt on undecodable bytes or a syntax error.
std::optional<StringsTable> parseStringsFile(const void* bytes, size_t length, String* error = nullptr);
/// The table as a dictionary of string objects; null with an error (NSCocoaErrorDomain,
/// code 3840) on bad input.
Ref<Dictionary> dictionaryWithStringsFileData(const Ref<Data>& data, Ref<Error>* error = nullptr);

}  // namespace fd
