#include "base/utility/DRFileHash.h"

#include <cstdio>
#include <memory>

#include "platform/crypto/Checksum.h"
#include "platform/crypto/Digest.h"
#include "platform/foundation/text/StringObject.h"

namespace base {

RT_IMPLEMENT(DRFileHash) {}

namespace {

constexpr crypto::DigestAlgorithm kDigests[8] = {
    crypto::DigestAlgorithm::MD2,    crypto::DigestAlgorithm::MD4,    crypto::DigestAlgorithm::MD5,
    crypto::DigestAlgorithm::SHA1,   crypto::DigestAlgorithm::SHA224, crypto::DigestAlgorithm::SHA256,
    crypto::DigestAlgorithm::SHA384, crypto::DigestAlgorithm::SHA512};
constexpr size_t kPlainBuffer = 1 << 20;
constexpr size_t kProgressBuffer = 512 << 10;
constexpr unsigned kBuffersPerReport = 16;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

Ref<DRFileHash> DRFileHash::hashForFile(const String& path, uint64_t types, const ProgressBlock& block) {
  if ((types & 0x3FF) == 0 || path.isEmpty()) return nullptr;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.utf8().c_str(), "rb"));
  if (!file) return nullptr;
  if (fseeko(file.get(), 0, SEEK_END) != 0) return nullptr;
  off_t size = ftello(file.get());
  if (size < 0 || fseeko(file.get(), 0, SEEK_SET) != 0) return nullptr;

  std::unique_ptr<crypto::Digest> digests[8];
  for (int i = 0; i < 8; ++i)
    if (types & (1ull << i)) digests[i] = std::make_unique<crypto::Digest>(kDigests[i]);
  bool wantCrc = types & DRFileHashTypeCRC32, wantAdler = types & DRFileHashTypeAdler32;
  uint32_t crc = 0, adler = 1;

  std::vector<uint8_t> buffer(block ? kProgressBuffer : kPlainBuffer);
  uint64_t processed = 0;
  unsigned fullBuffers = 0;
  bool stop = false;
  for (;;) {
    if (block && stop) return nullptr;
    size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (n < buffer.size() && !std::feof(file.get())) return nullptr;  // a read error, not the end
    for (auto& d : digests)
      if (d) d->update(buffer.data(), n);
    if (wantCrc) crc = crypto::crc32(buffer.data(), n, crc);
    if (wantAdler) adler = crypto::adler32(buffer.data(), n, adler);
    processed += n;
    if (n < buffer.size()) break;
    if (block && ++fullBuffers % kBuffersPerReport == 0) {
      block(static_cast<uint64_t>(size), processed, &stop);
      if (stop) return nullptr;
    }
  }

  auto result = rt::make<DRFileHash>();
  result->types_ = types;
  for (int i = 0; i < 8; ++i) {
    if (!digests[i]) continue;
    auto bytes = digests[i]->finish();
    result->strings_[i] = fd::StringObject::create(String(crypto::hexString(bytes)));
    result->datas_[i] = fd::Data::create(std::move(bytes));
  }
  char text[9];
  if (wantCrc) {
    result->crc32_ = crc;
    std::snprintf(text, sizeof text, "%08x", crc);
    result->strings_[8] = fd::StringObject::create(String(text));
  }
  if (wantAdler) {
    result->adler32_ = adler;
    std::snprintf(text, sizeof text, "%08x", adler);
    result->strings_[9] = fd::StringObject::create(String(text));
  }
  return result;
}

}  // namespace base
