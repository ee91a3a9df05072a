#include "platform/foundation/files/TypeIdentifiers.h"

#include <string>
#include <vector>

namespace fd {

namespace {

struct TypeEntry {
  const char* identifier;
  const char* mime;  // the preferred one
  std::vector<const char*> extensions;  // preferred first
  std::vector<const char*> otherMimes;
};

const std::vector<TypeEntry>& table() {
  static const std::vector<TypeEntry> entries = {
      {kUTTypeJPEG, "image/jpeg", {"jpeg", "jpg", "jpe"}, {"image/jpg", "image/pjpeg"}},
      {kUTTypePNG, "image/png", {"png"}, {}},
      {kUTTypeGIF, "image/gif", {"gif"}, {}},
      {kUTTypeTIFF, "image/tiff", {"tiff", "tif"}, {}},
      {kUTTypeBMP, "image/bmp", {"bmp", "dib"}, {"image/x-bmp", "image/x-ms-bmp"}},
      {kUTTypeICO, "image/vnd.microsoft.icon", {"ico"}, {"image/x-icon"}},
      {kUTTypeAppleICNS, "image/icns", {"icns"}, {}},
      {kUTTypeJPEG2000, "image/jp2", {"jp2", "jpf", "jpx", "j2k"}, {"image/jpx"}},
      {kUTTypeWebP, "image/webp", {"webp"}, {}},
      {"public.heic", "image/heic", {"heic"}, {}},
      {"public.svg-image", "image/svg+xml", {"svg"}, {}},
      {kUTTypePlainText, "text/plain", {"txt", "text"}, {}},
      {kUTTypeHTML, "text/html", {"html", "htm"}, {}},
      {"public.css", "text/css", {"css"}, {}},
      {"public.comma-separated-values-text", "text/csv", {"csv"}, {}},
      {"public.xml", "application/xml", {"xml"}, {"text/xml"}},
      {kUTTypeJSON, "application/json", {"json"}, {"text/json"}},
      {"com.netscape.javascript-source", "text/javascript", {"js"}, {"application/javascript"}},
      {"com.adobe.pdf", "application/pdf", {"pdf"}, {}},
      {"public.zip-archive", "application/zip", {"zip"}, {}},
      {"org.gnu.gnu-zip-archive", "application/gzip", {"gz"}, {"application/x-gzip"}},
      {"public.mpeg-4", "video/mp4", {"mp4"}, {}},
      {"com.apple.quicktime-movie", "video/quicktime", {"mov"}, {}},
      {"public.mp3", "audio/mpeg", {"mp3"}, {}},
      {"com.apple.m4a-audio", "audio/mp4", {"m4a"}, {}},
      {"com.apple.property-list", "application/x-plist", {"plist"}, {}},
      {"public.font", "font/ttf", {"ttf"}, {}},
      {"public.opentype-font", "font/otf", {"otf"}, {}},
  };
  return entries;
}

std::string lower(const String& s) { return s.lowercaseString().utf8(); }

const TypeEntry* byIdentifier(const String& identifier) {
  std::string id = identifier.utf8();
  for (auto& e : table())
    if (id == e.identifier) return &e;
  return nullptr;
}

}  // namespace

std::optional<String> typeIdentifierForFilenameExtension(const String& extension) {
  std::string ext = lower(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (auto& e : table())
    for (auto* x : e.extensions)
      if (ext == x) return String(e.identifier);
  return std::nullopt;
}

std::optional<String> preferredMIMETypeForTypeIdentifier(const String& identifier) {
  if (auto* e = byIdentifier(identifier)) return String(e->mime);
  return std::nullopt;
}

std::optional<String> preferredFilenameExtensionForTypeIdentifier(const String& identifier) {
  if (auto* e = byIdentifier(identifier)) return String(e->extensions.front());
  return std::nullopt;
}

std::optional<String> typeIdentifierForMIMEType(const String& mimeType) {
  std::string mime = lower(mimeType);
  if (auto semi = mime.find(';'); semi != std::string::npos) mime.resize(semi);
  while (!mime.empty() && mime.back() == ' ') mime.pop_back();
  for (auto& e : table()) {
    if (mime == e.mime) return String(e.identifier);
    for (auto* m : e.otherMimes)
      if (mime == m) return String(e.identifier);
  }
  return std::nullopt;
}

String MIMETypeForFilenameExtension(const String& extension) {
  if (auto id = typeIdentifierForFilenameExtension(extension))
    if (auto mime = preferredMIMETypeForTypeIdentifier(*id)) return *mime;
  return kDefaultMIMEType;
}

String MIMETypeForPath(const String& path) { return MIMETypeForFilenameExtension(path.pathExtension()); }

}  // namespace fd
