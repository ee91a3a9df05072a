#include "tools/sample-service/service/PictureMaker.h"

#include "tools/sample-service/service/AnimationEncoders.h"
#include "tools/sample-service/service/PictureEncoders.h"
#include "tools/sample-service/service/SeededRandom.h"

namespace sample {
namespace {

struct Kind {
  const char* name;
  int width;
  int height;
};

const Kind kKinds[] = {
    {"loading", 750, 1334}, {"banner", 750, 400}, {"thumb", 200, 150}, {"photo", 750, 500},
    {"cover", 300, 420},    {"channel", 400, 240}, {"poster", 320, 180}, {"anim", 120, 80},
};

// "anim" pictures: three frames of one pattern, its colours moved along the palette.
constexpr int kAnimationFrames = 3;
constexpr int kAnimationFrameMilliseconds = 100;

std::vector<IndexedPicture> animationFrames(const IndexedPicture& first) {
  std::vector<IndexedPicture> frames{first};
  for (int n = 1; n < kAnimationFrames; ++n) {
    IndexedPicture frame = first;
    for (auto& index : frame.pixels) index = static_cast<uint8_t>((index + 5 * n) % 16);
    frames.push_back(std::move(frame));
  }
  return frames;
}

std::optional<std::string> contentTypeOf(const std::string& ext) {
  if (ext == "png") return "image/png";
  if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
  if (ext == "gif") return "image/gif";
  if (ext == "webp") return "image/webp";
  return std::nullopt;
}

IndexedPicture makePattern(uint64_t seed, const PictureRequest& request) {
  SeededRandom random(seed, request.kind + "/" + request.name);
  IndexedPicture p;
  p.width = request.width;
  p.height = request.height;
  p.palette.resize(48);
  int colours = static_cast<int>(random.between(4, 16));
  for (int i = 0; i < 16; ++i) {
    // Mid-range colours: never black or white, so every block shows.
    for (int c = 0; c < 3; ++c) p.palette[i * 3u + c] = static_cast<uint8_t>(random.between(40, 230));
  }
  int columns = static_cast<int>(random.between(3, 8));
  int blockSize = (p.width + columns - 1) / columns;
  int rows = (p.height + blockSize - 1) / blockSize;
  std::vector<uint8_t> blocks(static_cast<size_t>(columns * rows));
  for (auto& b : blocks) b = static_cast<uint8_t>(random.below(static_cast<uint64_t>(colours)));
  // A diagonal band in one more colour keeps neighbouring pictures told apart at a glance.
  auto band = static_cast<uint8_t>(random.below(static_cast<uint64_t>(colours)));
  int bandWidth = p.height / 8 + 1;
  p.pixels.resize(static_cast<size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      uint8_t index = blocks[static_cast<size_t>((y / blockSize) * columns + x / blockSize)];
      int d = (x - y) % (p.width / 2 + 1);
      if (d >= 0 && d < bandWidth) index = band;
      p.pixels[static_cast<size_t>(y) * p.width + x] = index;
    }
  }
  return p;
}

}  // namespace

std::optional<PictureRequest> parsePicturePath(const std::string& path) {
  auto slash = path.find('/');
  auto dot = path.rfind('.');
  if (slash == std::string::npos || dot == std::string::npos || dot < slash + 2) return std::nullopt;
  PictureRequest r;
  r.kind = path.substr(0, slash);
  r.name = path.substr(slash + 1, dot - slash - 1);
  r.extension = path.substr(dot + 1);
  for (char c : r.name) {
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!allowed || r.name.size() > 64) return std::nullopt;
  }
  auto type = contentTypeOf(r.extension);
  if (!type) return std::nullopt;
  r.contentType = *type;
  for (const auto& k : kKinds) {
    if (r.kind == k.name) {
      r.width = k.width;
      r.height = k.height;
      return r;
    }
  }
  return std::nullopt;
}

std::shared_ptr<const std::vector<uint8_t>> PictureMaker::picture(const PictureRequest& request) {
  auto key = request.kind + "/" + request.name + "." + request.extension;
  {
    std::lock_guard lock(mutex_);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
  }
  // Encoding happens outside the lock; two threads racing for one picture make equal bytes.
  auto pattern = makePattern(seed_, request);
  std::vector<uint8_t> bytes;
  if (request.kind == "anim" && request.extension != "jpg" && request.extension != "jpeg") {
    auto frames = animationFrames(pattern);
    if (request.extension == "png") bytes = encodeAnimatedPNG(frames, kAnimationFrameMilliseconds);
    else if (request.extension == "gif") bytes = encodeAnimatedGIF(frames, kAnimationFrameMilliseconds);
    else bytes = encodeAnimatedWebP(frames, kAnimationFrameMilliseconds);
  } else if (request.extension == "png") bytes = encodePNG(pattern);
  else if (request.extension == "gif") bytes = encodeGIF(pattern);
  else if (request.extension == "webp") bytes = encodeWebP(pattern);
  else bytes = encodeJPEG(pattern);
  if (bytes.empty()) return nullptr;
  auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  std::lock_guard lock(mutex_);
  return cache_.emplace(key, shared).first->second;
}

}  // namespace sample
