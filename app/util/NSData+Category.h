#pragma once
// Digests and Base64 text of byte buffers.
#include "platform/foundation/values/Data.h"

namespace app {

/// The 16-byte MD5 digest.
Ref<fd::Data> MD5Data(const fd::Data& data);
/// The MD5 digest as 32 upper-case hexadecimal digits.
fd::String MD5String(const fd::Data& data);
/// The 20-byte SHA-1 digest.
Ref<fd::Data> SHA1Data(const fd::Data& data);
/// The SHA-1 digest as 40 upper-case hexadecimal digits.
fd::String SHA1String(const fd::Data& data);
/// Standard Base64 with "=" padding and no line breaks; "" for no bytes.
fd::String BASE64Encrypted(const fd::Data& data);

}  // namespace app
