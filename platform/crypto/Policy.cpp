#include "platform/crypto/Policy.h"

namespace crypto {

RT_IMPLEMENT_PLATFORM(Policy) {}

}  // namespace crypto
