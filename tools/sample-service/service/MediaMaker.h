#pragma once
// The service's media, made here: short video clips (motion-JPEG frames with 16-bit PCM
// sound in an AVI file) and the radio programme (PCM sound in a WAV file). Each clip is
// seeded by its name, so the same address always gives the same bytes.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sample {

struct ClipSpec {
  int width = 160;
  int height = 90;
  int framesPerSecond = 10;
  int seconds = 3;
  int sampleRate = 8000;
  uint32_t seed = 1;
};

/// An AVI file: frame n shows a white bar at x = n * (width - 16) / (frames - 1) over a
/// background colour picked by the seed; the sound is a tone picked by the seed.
std::vector<uint8_t> makeClip(const ClipSpec& spec);
/// A WAV file of `seconds` of a repeating chime, mono, `sampleRate` Hz.
std::vector<uint8_t> makeRadioProgramme(int seconds, int sampleRate = 8000);

/// The media the service serves under "/media/", made on first request and kept.
class MediaMaker {
 public:
  struct Media {
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    std::string contentType;
  };
  /// "NAME.mp4" where NAME is a video stem with an optional rate ("hl20160301_5001_800k"),
  /// or "radio/live.wav"; nullopt for anything else.
  std::optional<Media> media(const std::string& path);

 private:
  std::mutex mutex_;
  std::map<std::string, Media> cache_;
};

}  // namespace sample
