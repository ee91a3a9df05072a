#include "platform/dispatch/Qos.h"

namespace dispatch {

bool qosForIdentifier(long identifier, Qos* out) {
  Qos q;
  switch (identifier) {
    case static_cast<long>(Qos::UserInteractive): q = Qos::UserInteractive; break;
    case static_cast<long>(Qos::UserInitiated): q = Qos::UserInitiated; break;
    case static_cast<long>(Qos::Default): q = Qos::Default; break;
    case static_cast<long>(Qos::Utility): q = Qos::Utility; break;
    case static_cast<long>(Qos::Background): q = Qos::Background; break;
    case kPriorityHigh: q = Qos::UserInitiated; break;
    case kPriorityDefault: q = Qos::Default; break;
    case -1: q = Qos::Default; break;
    case kPriorityLow: q = Qos::Utility; break;
    case kPriorityBackground: q = Qos::Background; break;
    default: return false;
  }
  *out = q;
  return true;
}

int qosBand(Qos qos) {
  switch (qos) {
    case Qos::Background: return 0;
    case Qos::Utility: return 1;
    case Qos::Default: return 2;
    case Qos::UserInitiated: return 3;
    case Qos::UserInteractive: return 4;
  }
  return 2;
}

}  // namespace dispatch
