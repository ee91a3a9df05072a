#pragma once
// Quality-of-service classes and the older global-queue priorities, with the platform's values.

namespace dispatch {

enum class Qos : int {
  Background = 0x09,
  Utility = 0x11,
  Default = 0x15,
  UserInitiated = 0x19,
  UserInteractive = 0x21,
};

inline constexpr long kPriorityHigh = 2;
inline constexpr long kPriorityDefault = 0;
inline constexpr long kPriorityLow = -2;
inline constexpr long kPriorityBackground = -32768;

/// Maps a global-queue identifier (a QoS class value or a priority) to its class, as the platform
/// does: high -> user-initiated, default (and -1, "unspecified") -> default, low -> utility,
/// background -> background. Returns false for any other value.
bool qosForIdentifier(long identifier, Qos* out);

/// Scheduling band of a class, 0 (background) .. 4 (user-interactive).
int qosBand(Qos qos);

}  // namespace dispatch
