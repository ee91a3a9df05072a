#pragma once
// Installs the conversions between plain values and value objects into the runtime
// (rt::boxing()). It runs at start-up from every value class's translation unit; calling it
// again does nothing.

namespace fd {

void installBoxing();

}  // namespace fd
