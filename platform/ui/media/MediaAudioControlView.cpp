#include "platform/ui/media/MediaAudioControlView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/FontDescriptor.h"

namespace ui {
namespace {

/// How far the stream moves between updates while it plays.
constexpr double kStep = 0.25;
/// Positions this close below a whole step count as on it (clock sums are not exact).
constexpr double kSlack = 1e-3;

rt::String timeText(double seconds) {
  auto total = static_cast<int64_t>(std::floor(std::max(0.0, seconds) + kSlack));
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(total / 3600),
                  static_cast<long long>(total / 60 % 60), static_cast<long long>(total % 60));
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(total / 60), static_cast<long long>(total % 60));
  return rt::String(text);
}

}  // namespace

RT_IMPLEMENT_PLATFORM(MediaAudioControlView) {}

void MediaAudioControlView::init(gfx::Rect frame, Ref<MediaPlayer> player) {
  View::init(frame);
  player_ = std::move(player);
  // The bar of the page's audio element, which it replaces.
  setBackgroundColor(gfx::Color::colorWithWhite(0.93, 1));
  setContentMode(ViewContentMode::Redraw);
  setUserInteractionEnabled(false);
  timeLabel_ = rt::make<Label>(gfx::RectZero);
  timeLabel_->setFont(typeset::Font::monospacedDigitSystemFontOfSize(12, typeset::FontWeight::Regular));
  timeLabel_->setTextColor(gfx::Color::colorWithWhite(0.2, 1));
  timeLabel_->setTextAlignment(typeset::TextAlignment::Right);
  addSubview(timeLabel_);
  if (!player_) return;
  Weak<MediaAudioControlView> weak = std::static_pointer_cast<MediaAudioControlView>(self());
  auto changed = [weak](rt::Object*, const rt::KeyValueChange&) {
    if (auto v = weak.lock()) v->update();
  };
  rateObservation_ = player_->observe("rate", 0, changed);
  statusObservation_ = player_->observe("status", 0, changed);
  update();
}

MediaAudioControlView::~MediaAudioControlView() {
  if (ticker_) ticker_->invalidate();
  if (!player_) return;
  if (rateObservation_) player_->removeObservation(rateObservation_);
  if (statusObservation_) player_->removeObservation(statusObservation_);
}

void MediaAudioControlView::didMoveToWindow() { update(); }

void MediaAudioControlView::update() {
  rt::String text;
  if (player_ && player_->status() == MediaPlayerStatus::Failed) {
    text = "Cannot play";
  } else if (player_) {
    text = timeText(MediaTimeGetSeconds(player_->currentTime()));
    MediaTime length = player_->currentItem() ? player_->currentItem()->duration() : MediaTimeIndefinite();
    double total = length.timescale != 0 ? MediaTimeGetSeconds(length) : -1;
    if (std::isfinite(total) && total > 0) text = rt::String(text.utf8() + " / " + timeText(total).utf8());
  }
  if (text != timeLabel_->text()) {
    timeLabel_->setText(text);
    setNeedsLayout();
  }
  setNeedsDisplay();
  followPosition();
}

void MediaAudioControlView::followPosition() {
  if (ticker_) ticker_->invalidate();
  ticker_ = nullptr;
  if (!player_ || !window() || player_->rate() <= 0 || player_->status() == MediaPlayerStatus::Failed) return;
  // The next update comes when the stream reaches its next quarter second, so that a whole
  // second shows as the stream reaches it.
  double at = MediaTimeGetSeconds(player_->currentTime());
  double next = (std::floor(at / kStep + kSlack) + 1) * kStep;
  Weak<MediaAudioControlView> weak = std::static_pointer_cast<MediaAudioControlView>(self());
  ticker_ = fd::Timer::timerWithTimeInterval(std::max(0.01, (next - at) / player_->rate()), false, [weak](fd::Timer&) {
    if (auto v = weak.lock()) v->update();
  });
  fd::RunLoop::mainRunLoop()->addTimer(ticker_, fd::NSRunLoopCommonModes);
}

gfx::Rect MediaAudioControlView::buttonRect() const {
  gfx::Size size = bounds().size;
  double d = std::min({44.0, size.width, size.height}) * 0.7;
  return gfx::RectMake(8, (size.height - d) / 2, d, d);
}

gfx::Rect MediaAudioControlView::trackRect() const {
  gfx::Size size = bounds().size;
  double left = gfx::RectGetMaxX(buttonRect()) + 10;
  double right = timeLabel_->frame().origin.x - 10;
  return gfx::RectMake(left, size.height / 2 - 2, std::max(0.0, right - left), 4);
}

void MediaAudioControlView::layoutSubviews() {
  gfx::Size size = bounds().size;
  gfx::Size fit = timeLabel_->sizeThatFits({size.width, size.height});
  double width = std::min(std::ceil(fit.width), std::max(0.0, size.width / 2));
  timeLabel_->setFrame(gfx::RectMake(size.width - 8 - width, (size.height - fit.height) / 2, width, fit.height));
}

void MediaAudioControlView::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx) return;
  const bool failed = !player_ || player_->status() == MediaPlayerStatus::Failed;
  const bool playing = !failed && player_->rate() > 0;

  gfx::Rect track = trackRect();
  if (track.size.width > 0) {
    ctx->setGrayFillColor(0.78, 1);
    ctx->fillRect(track);
    MediaTime length = player_ && player_->currentItem() ? player_->currentItem()->duration() : MediaTimeIndefinite();
    double total = length.timescale != 0 ? MediaTimeGetSeconds(length) : -1;
    if (!failed && std::isfinite(total) && total > 0) {
      double done = std::clamp(MediaTimeGetSeconds(player_->currentTime()) / total, 0.0, 1.0);
      ctx->setGrayFillColor(0.3, 1);
      ctx->fillRect(gfx::RectMake(track.origin.x, track.origin.y, track.size.width * done, track.size.height));
    }
  }

  gfx::Rect disc = buttonRect();
  double d = disc.size.width;
  gfx::Point c{gfx::RectGetMidX(disc), gfx::RectGetMidY(disc)};
  ctx->setGrayFillColor(1, 1);
  ctx->fillEllipseInRect(disc);
  // The mark says what a tap does: pause while playing, play otherwise; faded when nothing
  // can play.
  ctx->setGrayFillColor(failed ? 0.7 : 0.2, 1);
  if (playing) {
    ctx->fillRect(gfx::RectMake(c.x - d * 0.18, c.y - d * 0.22, d * 0.12, d * 0.44));
    ctx->fillRect(gfx::RectMake(c.x + d * 0.06, c.y - d * 0.22, d * 0.12, d * 0.44));
  } else {
    ctx->beginPath();
    ctx->moveToPoint(c.x - d * 0.15, c.y - d * 0.22);
    ctx->addLineToPoint(c.x + d * 0.25, c.y);
    ctx->addLineToPoint(c.x - d * 0.15, c.y + d * 0.22);
    ctx->closePath();
    ctx->fillPath();
  }
}

}  // namespace ui
