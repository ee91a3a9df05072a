#include "tools/sample-service/service/MediaMaker.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/sample-service/service/PictureEncoders.h"

namespace sample {
namespace {

class RiffWriter {
 public:
  std::vector<uint8_t> bytes;
  void fourcc(const char* f) { bytes.insert(bytes.end(), f, f + 4); }
  void u16(uint32_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    u16(v & 0xffff);
    u16(v >> 16);
  }
  /// Starts a chunk (or a LIST/RIFF with `form`); answers where its size goes.
  size_t open(const char* id, const char* form = nullptr) {
    fourcc(id);
    size_t at = bytes.size();
    u32(0);
    if (form) fourcc(form);
    return at;
  }
  void close(size_t at) {
    uint32_t size = static_cast<uint32_t>(bytes.size() - at - 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(size >> (8 * i));
    if (bytes.size() % 2) bytes.push_back(0);  // chunks are word aligned
  }
  void data(const std::vector<uint8_t>& d) { bytes.insert(bytes.end(), d.begin(), d.end()); }
};

std::vector<uint8_t> tone(int samples, int sampleRate, double frequency, int startSample) {
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(samples) * 2);
  for (int i = 0; i < samples; ++i) {
    double t = static_cast<double>(startSample + i) / sampleRate;
    auto v = static_cast<int16_t>(std::lround(6000 * std::sin(2 * M_PI * frequency * t)));
    out.push_back(static_cast<uint8_t>(v & 0xff));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
  }
  return out;
}

IndexedPicture frameAt(const ClipSpec& spec, int frame, int frames) {
  IndexedPicture p;
  p.width = spec.width;
  p.height = spec.height;
  p.palette.assign(16 * 3, 0);
  // 0: background from the seed, 1: white bar, 2: dark band at the bottom.
  p.palette[0] = static_cast<uint8_t>(40 + spec.seed * 53 % 160);
  p.palette[1] = static_cast<uint8_t>(40 + spec.seed * 97 % 160);
  p.palette[2] = static_cast<uint8_t>(40 + spec.seed * 31 % 160);
  p.palette[3] = p.palette[4] = p.palette[5] = 255;
  p.palette[6] = p.palette[7] = p.palette[8] = 20;
  p.pixels.assign(static_cast<size_t>(p.width * p.height), 0);
  int barX = frames > 1 ? frame * (p.width - 16) / (frames - 1) : 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      uint8_t& px = p.pixels[static_cast<size_t>(y * p.width + x)];
      if (y >= p.height - 10) px = 2;
      else if (x >= barX && x < barX + 16) px = 1;
    }
  return p;
}

bool allDigits(const std::string& s) {
  return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

/// The video id of "hlYYYYMMDD_ID[_RATEk].mp4" (rate letter k or K), or nullopt.
std::optional<std::string> clipId(const std::string& path) {
  const std::string suffix = ".mp4";
  if (path.size() < 13 + suffix.size() || path.compare(0, 2, "hl") != 0 || !allDigits(path.substr(2, 8)) ||
      path[10] != '_' || path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::nullopt;
  std::string rest = path.substr(11, path.size() - 11 - suffix.size());
  size_t underscore = rest.find('_');
  std::string id = rest.substr(0, underscore);
  if (!allDigits(id)) return std::nullopt;
  if (underscore != std::string::npos) {
    std::string rate = rest.substr(underscore + 1);
    if (rate.size() < 2 || (rate.back() != 'k' && rate.back() != 'K') || !allDigits(rate.substr(0, rate.size() - 1)))
      return std::nullopt;
  }
  return id;
}

}  // namespace

std::vector<uint8_t> makeClip(const ClipSpec& spec) {
  const int frames = spec.framesPerSecond * spec.seconds;
  const int samplesPerFrame = spec.sampleRate / spec.framesPerSecond;
  const double frequency = 330 + spec.seed % 7 * 55;
  std::vector<std::vector<uint8_t>> jpegs;
  size_t largest = 0;
  for (int i = 0; i < frames; ++i) {
    jpegs.push_back(encodeJPEG(frameAt(spec, i, frames), 80));
    if (jpegs.back().empty()) return {};
    largest = std::max(largest, jpegs.back().size());
  }

  RiffWriter w;
  size_t riff = w.open("RIFF", "AVI ");
  size_t hdrl = w.open("LIST", "hdrl");
  size_t avih = w.open("avih");
  w.u32(1000000 / spec.framesPerSecond);  // microseconds per frame
  w.u32(static_cast<uint32_t>(largest * spec.framesPerSecond + spec.sampleRate * 2));
  w.u32(0);
  w.u32(0x10);  // has an index
  w.u32(static_cast<uint32_t>(frames));
  w.u32(0);
  w.u32(2);  // streams
  w.u32(static_cast<uint32_t>(largest));
  w.u32(static_cast<uint32_t>(spec.width));
  w.u32(static_cast<uint32_t>(spec.height));
  for (int i = 0; i < 4; ++i) w.u32(0);
  w.close(avih);

  size_t strl = w.open("LIST", "strl");
  size_t strh = w.open("strh");
  w.fourcc("vids");
  w.fourcc("MJPG");
  w.u32(0);
  w.u16(0);
  w.u16(0);
  w.u32(0);
  w.u32(1);                                             // scale
  w.u32(static_cast<uint32_t>(spec.framesPerSecond));  // rate
  w.u32(0);
  w.u32(static_cast<uint32_t>(frames));
  w.u32(static_cast<uint32_t>(largest));
  w.u32(0xFFFFFFFF);
  w.u32(0);
  w.u16(0);
  w.u16(0);
  w.u16(static_cast<uint32_t>(spec.width));
  w.u16(static_cast<uint32_t>(spec.height));
  w.close(strh);
  size_t strf = w.open("strf");
  w.u32(40);
  w.u32(static_cast<uint32_t>(spec.width));
  w.u32(static_cast<uint32_t>(spec.height));
  w.u16(1);
  w.u16(24);
  w.fourcc("MJPG");
  w.u32(static_cast<uint32_t>(spec.width * spec.height * 3));
  for (int i = 0; i < 4; ++i) w.u32(0);
  w.close(strf);
  w.close(strl);

  strl = w.open("LIST", "strl");
  strh = w.open("strh");
  w.fourcc("auds");
  w.u32(0);
  w.u32(0);
  w.u16(0);
  w.u16(0);
  w.u32(0);
  w.u32(1);                                        // scale
  w.u32(static_cast<uint32_t>(spec.sampleRate));  // rate: samples per second
  w.u32(0);
  w.u32(static_cast<uint32_t>(samplesPerFrame * frames));
  w.u32(static_cast<uint32_t>(samplesPerFrame * 2));
  w.u32(0xFFFFFFFF);
  w.u32(2);  // bytes per sample
  w.u16(0);
  w.u16(0);
  w.u16(0);
  w.u16(0);
  w.close(strh);
  strf = w.open("strf");
  w.u16(1);  // PCM
  w.u16(1);  // mono
  w.u32(static_cast<uint32_t>(spec.sampleRate));
  w.u32(static_cast<uint32_t>(spec.sampleRate * 2));
  w.u16(2);
  w.u16(16);
  w.u16(0);
  w.close(strf);
  w.close(strl);
  w.close(hdrl);

  struct IndexEntry {
    const char* id;
    uint32_t offset, size;
  };
  std::vector<IndexEntry> index;
  size_t movi = w.open("LIST", "movi");
  const size_t moviStart = movi + 4;  // index offsets count from the "movi" type
  for (int i = 0; i < frames; ++i) {
    size_t at = w.bytes.size();
    size_t c = w.open("00dc");
    w.data(jpegs[static_cast<size_t>(i)]);
    w.close(c);
    index.push_back({"00dc", static_cast<uint32_t>(at - moviStart), static_cast<uint32_t>(jpegs[static_cast<size_t>(i)].size())});
    auto sound = tone(samplesPerFrame, spec.sampleRate, frequency, i * samplesPerFrame);
    at = w.bytes.size();
    c = w.open("01wb");
    w.data(sound);
    w.close(c);
    index.push_back({"01wb", static_cast<uint32_t>(at - moviStart), static_cast<uint32_t>(sound.size())});
  }
  w.close(movi);
  size_t idx1 = w.open("idx1");
  for (const auto& e : index) {
    w.fourcc(e.id);
    w.u32(0x10);  // every frame is a key frame
    w.u32(e.offset);
    w.u32(e.size);
  }
  w.close(idx1);
  w.close(riff);
  return w.bytes;
}

std::vector<uint8_t> makeRadioProgramme(int seconds, int sampleRate) {
  RiffWriter w;
  size_t riff = w.open("RIFF", "WAVE");
  size_t fmt = w.open("fmt ");
  w.u16(1);
  w.u16(1);
  w.u32(static_cast<uint32_t>(sampleRate));
  w.u32(static_cast<uint32_t>(sampleRate * 2));
  w.u16(2);
  w.u16(16);
  w.close(fmt);
  size_t data = w.open("data");
  // A four-note chime, one note per half second.
  const double notes[] = {523.25, 659.25, 783.99, 659.25};
  const int perNote = sampleRate / 2;
  for (int n = 0; n < seconds * 2; ++n) w.data(tone(perNote, sampleRate, notes[n % 4], n * perNote));
  w.close(data);
  w.close(riff);
  return w.bytes;
}

std::optional<MediaMaker::Media> MediaMaker::media(const std::string& path) {
  std::string key;
  ClipSpec spec;
  bool isClip = false;
  if (auto id = clipId(path)) {
    key = path.substr(0, 11) + *id;
    spec.seed = static_cast<uint32_t>(std::stoul(*id) % 100000);
    isClip = true;
  } else if (path == "radio/live.wav") {
    key = path;
  } else {
    return std::nullopt;
  }
  std::lock_guard lock(mutex_);
  auto it = cache_.find(key);
  if (it != cache_.end()) return it->second;
  Media made;
  if (isClip) {
    made.bytes = std::make_shared<const std::vector<uint8_t>>(makeClip(spec));
    made.contentType = "video/x-msvideo";
  } else {
    made.bytes = std::make_shared<const std::vector<uint8_t>>(makeRadioProgramme(20));
    made.contentType = "audio/wav";
  }
  if (made.bytes->empty()) return std::nullopt;
  return cache_.emplace(key, made).first->second;
}

}  // namespace sample
