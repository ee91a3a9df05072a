#pragma once
// The process's font catalogue: fontconfig matching by name and traits, per-character
// fallback, the faces registered by the application, and the cache that makes every face
// load once.
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/typeset/FontFace.h"

namespace typeset {

/// Domain and codes of font registration errors.
inline constexpr const char* FontManagerErrorDomain = "com.apple.CoreText.CTFontManagerErrorDomain";
enum FontManagerError : int64_t {
  FontManagerErrorFileNotFound = 101,
  FontManagerErrorUnrecognizedFormat = 103,
  FontManagerErrorInvalidFontData = 104,
  FontManagerErrorAlreadyRegistered = 105,
  FontManagerErrorNotRegistered = 201,
};

struct FaceRequest {
  std::string family;  // family, full or PostScript name; empty: the system family
  int weight = 400;    // 100..900
  bool italic = false;
  bool monospace = false;
};

class FontCatalog {
 public:
  static FontCatalog& shared();

  /// The face for a request; with `exactName` null unless the face's family, full or
  /// PostScript name is the one asked for (so callers can fall back), otherwise the best
  /// match fontconfig offers.
  FaceRef match(const FaceRequest& request, bool exactName);
  /// The installed colour emoji face, null when there is none; looked up once.
  FaceRef colorEmojiFace();
  /// The system face for a weight and slant.
  FaceRef systemFace(int weight, bool italic);
  /// A face that draws `cp`, preferring `base`; `base` itself when it covers it, null when
  /// no installed face does.
  FaceRef fallback(const FaceRef& base, char32_t cp);
  /// A face from a file (cached by path and index).
  FaceRef faceAt(const std::string& path, int index);

  // Faces the application adds at run time; they are found by name before installed ones.
  bool registerFile(const std::string& path, Ref<fd::Error>* error);
  bool unregisterFile(const std::string& path, Ref<fd::Error>* error);
  bool registerFace(const FaceRef& face, Ref<fd::Error>* error);
  bool unregisterFace(const FaceRef& face, Ref<fd::Error>* error);

 private:
  FontCatalog();
  struct State;
  State* state_;
};

}  // namespace typeset
