#pragma once
// Uniform type identifiers for file-name extensions and their preferred MIME types, from a
// built-in table. Unknown extensions have no identifier; their MIME type is
// "application/octet-stream".
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {

inline constexpr const char* kUTTypeJPEG = "public.jpeg";
inline constexpr const char* kUTTypeJPEG2000 = "public.jpeg-2000";
inline constexpr const char* kUTTypeTIFF = "public.tiff";
inline constexpr const char* kUTTypeBMP = "com.microsoft.bmp";
inline constexpr const char* kUTTypeICO = "com.microsoft.ico";
inline constexpr const char* kUTTypeAppleICNS = "com.apple.icns";
inline constexpr const char* kUTTypeGIF = "com.compuserve.gif";
inline constexpr const char* kUTTypePNG = "public.png";
inline constexpr const char* kUTTypeWebP = "org.webmproject.webp";
inline constexpr const char* kUTTypeImage = "public.image";
inline constexpr const char* kUTTypePlainText = "public.plain-text";
inline constexpr const char* kUTTypeHTML = "public.html";
inline constexpr const char* kUTTypeJSON = "public.json";
inline constexpr const char* kUTTypeData = "public.data";

inline constexpr const char* kDefaultMIMEType = "application/octet-stream";

/// The identifier for a file-name extension (without the dot, any case), or nullopt.
std::optional<String> typeIdentifierForFilenameExtension(const String& extension);
/// The preferred MIME type of an identifier, or nullopt for identifiers without one.
std::optional<String> preferredMIMETypeForTypeIdentifier(const String& identifier);
/// The preferred extension of an identifier ("jpeg" for public.jpeg), or nullopt.
std::optional<String> preferredFilenameExtensionForTypeIdentifier(const String& identifier);
/// The identifier for a MIME type (any case, parameters ignored), or nullopt.
std::optional<String> typeIdentifierForMIMEType(const String& mimeType);
/// Extension -> identifier -> MIME type, "application/octet-stream" when any step fails.
String MIMETypeForFilenameExtension(const String& extension);
/// The same for the extension of a path.
String MIMETypeForPath(const String& path);

}  // namespace fd
