#pragma once
// Finds where JSON text goes wrong and says how, for error messages. The fast reader only
// knows that it failed; this careful scan runs after a failure to name the place.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fd {

struct JSONSyntaxProblem {
  size_t offset = 0;    // byte offset of the offending input
  std::string message;  // "Invalid value", "Unterminated string", ...
};

/// The first problem in `text`, or nullopt when it is well-formed JSON. Nesting deeper than
/// `maxDepth` is a problem; a scalar top level is one unless `fragmentsAllowed`.
std::optional<JSONSyntaxProblem> findJSONSyntaxProblem(std::string_view text, bool fragmentsAllowed,
                                                       size_t maxDepth);

}  // namespace fd
