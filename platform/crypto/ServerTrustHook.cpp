// Gives URL loading's server-trust challenges a trust object: the presented chain under the
// SSL server policy for the host, anchored in the system store.
#include "platform/crypto/Trust.h"
#include "platform/foundation/net/URLAuthenticationChallenge.h"

namespace crypto {
namespace {

rt::Id serverTrustFor(const std::vector<Ref<fd::Data>>& chain, const rt::String& host) {
  std::vector<Ref<Certificate>> certificates;
  for (auto& der : chain)
    if (auto c = Certificate::createWithData(der)) certificates.push_back(c);
  return Trust::create(std::move(certificates), {Policy::ssl(true, host)});
}

[[maybe_unused]] const bool installed = [] {
  fd::setServerTrustFactory(&serverTrustFor);
  return true;
}();

}  // namespace
}  // namespace crypto
