#pragma once
// The number of processors this process may run on.

namespace dispatch {

/// Processors in the process's affinity mask (at least 1).
int activeProcessorCount();

}  // namespace dispatch
