#include "image/codec/DRImagePathScale.h"

#include <cstdlib>
#include <string>

namespace image {

// The scale written at the end of a file name ("icon@2x.png" gives 2, "a@1.5x" 1.5); 1 when
// there is none.
double DRImagePathScale(const rt::String& text) {
  const std::string path = text.utf8();
  if (path.empty() || path.back() == '/') return 1;
  std::string stem = path;
  const size_t slash = stem.rfind('/');
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem.erase(dot);
  if (stem.size() < 3 || stem.back() != 'x') return 1;
  const size_t at = stem.rfind('@');
  if (at == std::string::npos) return 1;
  const std::string number = stem.substr(at + 1, stem.size() - at - 2);
  size_t digits = 0, dots = 0;
  for (char ch : number) {
    if (ch >= '0' && ch <= '9') ++digits;
    else if (ch == '.' && digits > 0 && dots == 0) ++dots;
    else return 1;
  }
  if (digits == 0 || !(number[0] >= '0' && number[0] <= '9')) return 1;
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace image
