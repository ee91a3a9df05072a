#pragma once
// Any combination of ten digests and checksums of one file in a single streaming pass, with an
// optional progress block that can stop the work. Memory is bounded by one read buffer.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Data.h"

namespace base {

using rt::String;

enum DRFileHashType : uint64_t {
  DRFileHashTypeMD2 = 1 << 0,
  DRFileHashTypeMD4 = 1 << 1,
  DRFileHashTypeMD5 = 1 << 2,
  DRFileHashTypeSHA1 = 1 << 3,
  DRFileHashTypeSHA224 = 1 << 4,
  DRFileHashTypeSHA256 = 1 << 5,
  DRFileHashTypeSHA384 = 1 << 6,
  DRFileHashTypeSHA512 = 1 << 7,
  DRFileHashTypeCRC32 = 1 << 8,
  DRFileHashTypeAdler32 = 1 << 9,
};

class DRFileHash : public rt::Object {
  RT_CLASS(DRFileHash, rt::Object)
 public:
  /// (file size, bytes processed, stop flag): called after every 8 MiB read.
  using ProgressBlock = std::function<void(uint64_t total, uint64_t processed, bool* stop)>;

  /// Null when no known type is asked for, the file cannot be opened or read, or the block
  /// stops the work.
  static Ref<DRFileHash> hashForFile(const String& path, uint64_t types, const ProgressBlock& block = nullptr);

  uint64_t types() const { return types_; }
  /// Digests as lower-case hexadecimal text and as bytes; null when not asked for.
  Ref<fd::StringObject> md2String() const { return string(0); }
  Ref<fd::StringObject> md4String() const { return string(1); }
  Ref<fd::StringObject> md5String() const { return string(2); }
  Ref<fd::StringObject> sha1String() const { return string(3); }
  Ref<fd::StringObject> sha224String() const { return string(4); }
  Ref<fd::StringObject> sha256String() const { return string(5); }
  Ref<fd::StringObject> sha384String() const { return string(6); }
  Ref<fd::StringObject> sha512String() const { return string(7); }
  Ref<fd::StringObject> crc32String() const { return string(8); }
  Ref<fd::StringObject> adler32String() const { return string(9); }
  Ref<fd::Data> md2Data() const { return data(0); }
  Ref<fd::Data> md4Data() const { return data(1); }
  Ref<fd::Data> md5Data() const { return data(2); }
  Ref<fd::Data> sha1Data() const { return data(3); }
  Ref<fd::Data> sha224Data() const { return data(4); }
  Ref<fd::Data> sha256Data() const { return data(5); }
  Ref<fd::Data> sha384Data() const { return data(6); }
  Ref<fd::Data> sha512Data() const { return data(7); }
  /// 0 when not asked for.
  uint32_t crc32() const { return crc32_; }
  uint32_t adler32() const { return adler32_; }

 private:
  Ref<fd::StringObject> string(int i) const { return strings_[i]; }
  Ref<fd::Data> data(int i) const { return datas_[i]; }

  uint64_t types_ = 0;
  Ref<fd::StringObject> strings_[10];
  Ref<fd::Data> datas_[10];
  uint32_t crc32_ = 0;
  uint32_t adler32_ = 0;
};

}  // namespace base
