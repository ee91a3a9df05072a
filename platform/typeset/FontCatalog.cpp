#include "platform/typeset/FontCatalog.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <cctype>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

namespace typeset {

namespace {

std::string folded(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '-' && c != '_') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

bool nameMatches(const FontFace& face, const std::string& wanted) {
  std::string w = folded(wanted);
  return folded(face.family()) == w || folded(face.postScriptName()) == w || folded(face.fullName()) == w;
}

int styleDistance(const FontFace& face, const FaceRequest& r) {
  return std::abs(face.weightClass() - r.weight) + (face.isItalic() != r.italic ? 1000 : 0);
}

std::string fcString(FcPattern* p, const char* object) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, object, 0, &s) != FcResultMatch || !s) return {};
  return reinterpret_cast<const char*>(s);
}

int fcInt(FcPattern* p, const char* object, int fallback) {
  int v = fallback;
  FcPatternGetInteger(p, object, 0, &v);
  return v;
}

// Han, kana, bopomofo, CJK punctuation and full-width forms: text for which a CJK family with
// real weights serves better than whichever face sorts first.
bool isCJK(char32_t cp) {
  return (cp >= 0x2E80 && cp <= 0x2FDF) || (cp >= 0x3000 && cp <= 0x31FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

}  // namespace

struct FontCatalog::State {
  std::mutex mutex;
  std::map<std::pair<std::string, int>, FaceRef> files;
  std::map<std::pair<const FontFace*, char32_t>, FaceRef> fallbacks;
  std::map<std::tuple<std::string, int, bool, bool, bool>, FaceRef> matches;
  std::vector<FaceRef> registered;
  FaceRef emoji;
  bool emojiLooked = false;
  std::unordered_map<std::string, FaceRef> registeredFiles;

  FaceRef open(const std::string& path, int index) {
    auto key = std::make_pair(path, index);
    if (auto it = files.find(key); it != files.end()) return it->second;
    FaceRef face = FontFace::openFile(path, index);
    if (face) files.emplace(key, face);
    return face;
  }

  // The face a prepared match names, emboldened when the match says so (a weight asked for
  // that the face lacks).
  FaceRef openMatch(FcPattern* m) {
    std::string file = fcString(m, FC_FILE);
    if (file.empty()) return nullptr;
    FaceRef face = open(file, fcInt(m, FC_INDEX, 0));
    FcBool embolden = FcFalse;
    if (face && FcPatternGetBool(m, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden) return face->emboldened();
    return face;
  }

  FcPattern* pattern(const FaceRequest& r, const char* lang = nullptr) {
    FcPattern* pat = FcPatternCreate();
    if (lang) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(r.family.empty() ? "sans-serif" : r.family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(r.weight));
    FcPatternAddInteger(pat, FC_SLANT, r.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (r.monospace) FcPatternAddInteger(pat, FC_SPACING, FC_MONO);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    return pat;
  }

  FaceRef bestMatch(const FaceRequest& r) {
    FcPattern* pat = pattern(r);
    FcResult result;
    FcPattern* m = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!m) return nullptr;
    FaceRef face = openMatch(m);
    FcPatternDestroy(m);
    return face;
  }

  // Installed faces whose PostScript or full name is `name`, nearest in style first.
  FaceRef byExactName(const FaceRequest& r) {
    FaceRef best;
    for (const char* object : {FC_POSTSCRIPT_NAME, FC_FULLNAME, FC_FAMILY}) {
      FcPattern* pat = FcPatternCreate();
      FcPatternAddString(pat, object, reinterpret_cast<const FcChar8*>(r.family.c_str()));
      FcObjectSet* os = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
      FcFontSet* set = FcFontList(nullptr, pat, os);
      FcObjectSetDestroy(os);
      FcPatternDestroy(pat);
      if (!set) continue;
      for (int i = 0; i < set->nfont; ++i) {
        FaceRef face = openMatch(set->fonts[i]);
        if (face && (!best || styleDistance(*face, r) < styleDistance(*best, r))) best = face;
      }
      FcFontSetDestroy(set);
      if (best) return best;
    }
    return nullptr;
  }
};

FontCatalog& FontCatalog::shared() {
  static FontCatalog catalog;
  return catalog;
}

FontCatalog::FontCatalog() : state_(new State) {
  FcInit();
  // Releases fontconfig's configuration at exit, so leak checks see only real leaks.
  std::atexit([] { FcFini(); });
}

FaceRef FontCatalog::match(const FaceRequest& request, bool exactName) {
  std::lock_guard lock(state_->mutex);
  if (!request.family.empty()) {
    FaceRef best;
    for (const auto& face : state_->registered)
      if (nameMatches(*face, request.family) && (!best || styleDistance(*face, request) < styleDistance(*best, request)))
        best = face;
    if (best) return best;
  }
  auto key = std::make_tuple(request.family, request.weight, request.italic, request.monospace, exactName);
  if (auto it = state_->matches.find(key); it != state_->matches.end()) return it->second;
  FaceRef face = state_->bestMatch(request);
  if (exactName && !request.family.empty() && (!face || !nameMatches(*face, request.family)))
    face = state_->byExactName(request);
  state_->matches.emplace(key, face);
  return face;
}

FaceRef FontCatalog::systemFace(int weight, bool italic) {
  FaceRequest r;
  r.weight = weight;
  r.italic = italic;
  return match(r, false);
}

FaceRef FontCatalog::colorEmojiFace() {
  std::lock_guard lock(state_->mutex);
  if (state_->emojiLooked) return state_->emoji;
  state_->emojiLooked = true;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>("emoji"));
  FcPatternAddBool(pat, FC_COLOR, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result;
  if (FcPattern* m = FcFontMatch(nullptr, pat, &result)) {
    FcBool color = FcFalse;
    if (FcPatternGetBool(m, FC_COLOR, 0, &color) == FcResultMatch && color) {
      FaceRef face = state_->openMatch(m);
      if (face && face->hasColorGlyphs()) state_->emoji = face;
    }
    FcPatternDestroy(m);
  }
  FcPatternDestroy(pat);
  return state_->emoji;
}

FaceRef FontCatalog::fallback(const FaceRef& base, char32_t cp) {
  if (base && base->covers(cp)) return base;
  std::lock_guard lock(state_->mutex);
  auto key = std::make_pair(base.get(), cp);
  if (auto it = state_->fallbacks.find(key); it != state_->fallbacks.end()) return it->second;
  FaceRef found;
  for (const auto& face : state_->registered)
    if (face->covers(cp)) {
      found = face;
      break;
    }
  if (!found) {
    FaceRequest r;
    if (base) {
      r.weight = base->weightClass();
      r.italic = base->isItalic();
    }
    FcPattern* pat = state_->pattern(r, isCJK(cp) ? "zh-cn" : nullptr);
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, cp);
    FcPatternAddCharSet(pat, FC_CHARSET, cs);
    FcCharSetDestroy(cs);
    FcResult result;
    FcFontSet* set = FcFontSort(nullptr, pat, FcTrue, nullptr, &result);
    if (set) {
      for (int i = 0; i < set->nfont && !found; ++i) {
        FcCharSet* have = nullptr;
        if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &have) != FcResultMatch || !FcCharSetHasChar(have, cp))
          continue;
        FcPattern* full = FcFontRenderPrepare(nullptr, pat, set->fonts[i]);
        if (full) {
          FaceRef face = state_->openMatch(full);
          if (face && face->covers(cp)) found = face;
          FcPatternDestroy(full);
        }
      }
      FcFontSetDestroy(set);
    }
    FcPatternDestroy(pat);
  }
  state_->fallbacks.emplace(key, found);
  return found;
}

FaceRef FontCatalog::faceAt(const std::string& path, int index) {
  std::lock_guard lock(state_->mutex);
  return state_->open(path, index);
}

namespace {
bool fail(Ref<fd::Error>* error, int64_t code, const std::string& what) {
  if (error) *error = fd::Error::withDescription(FontManagerErrorDomain, code, rt::String(what));
  return false;
}
}  // namespace

bool FontCatalog::registerFile(const std::string& path, Ref<fd::Error>* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail(error, FontManagerErrorFileNotFound, "The file does not exist: " + path);
  FaceRef face = FontFace::openFile(path, 0, false);
  if (!face) return fail(error, FontManagerErrorUnrecognizedFormat, "The file is not a font: " + path);
  {
    std::lock_guard lock(state_->mutex);
    if (state_->registeredFiles.count(path))
      return fail(error, FontManagerErrorAlreadyRegistered, "The font file is already registered: " + path);
  }
  if (!registerFace(face, error)) return false;
  std::lock_guard lock(state_->mutex);
  state_->registeredFiles.emplace(path, face);
  return true;
}

bool FontCatalog::unregisterFile(const std::string& path, Ref<fd::Error>* error) {
  FaceRef face;
  {
    std::lock_guard lock(state_->mutex);
    auto it = state_->registeredFiles.find(path);
    if (it == state_->registeredFiles.end())
      return fail(error, FontManagerErrorNotRegistered, "The font file is not registered: " + path);
    face = it->second;
    state_->registeredFiles.erase(it);
  }
  return unregisterFace(face, error);
}

bool FontCatalog::registerFace(const FaceRef& face, Ref<fd::Error>* error) {
  if (!face) return fail(error, FontManagerErrorInvalidFontData, "No font to register");
  std::lock_guard lock(state_->mutex);
  for (const auto& f : state_->registered)
    if (f == face || f->postScriptName() == face->postScriptName())
      return fail(error, FontManagerErrorAlreadyRegistered, "A font with this name is already registered: " + face->postScriptName());
  state_->registered.push_back(face);
  state_->fallbacks.clear();
  return true;
}

bool FontCatalog::unregisterFace(const FaceRef& face, Ref<fd::Error>* error) {
  std::lock_guard lock(state_->mutex);
  auto it = std::find_if(state_->registered.begin(), state_->registered.end(), [&](const FaceRef& f) {
    return face && (f == face || f->postScriptName() == face->postScriptName());
  });
  if (it == state_->registered.end())
    return fail(error, FontManagerErrorNotRegistered, "The font is not registered");
  state_->registered.erase(it);
  state_->fallbacks.clear();
  return true;
}

}  // namespace typeset
