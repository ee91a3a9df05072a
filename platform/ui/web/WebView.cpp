#include "platform/ui/web/WebView.h"

#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSessionConfiguration.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"
#include "platform/ui/input/TapGestureRecognizer.h"
#include "platform/ui/media/MediaPlayerView.h"
#include "platform/ui/web/HTMLPage.h"
#include "platform/ui/web/WebPageScrollView.h"
#include "platform/ui/web/WebPageTileView.h"

namespace ui {
namespace {

/// Band height of the page drawing, in points.
constexpr double kTileHeight = 512;
/// The history target of a load whose data this view cannot show: it starts, then fails.
constexpr int64_t kUnshowable = -2;

std::string decodeText(const Ref<fd::Data>& data, const std::optional<rt::String>& encodingName) {
  if (!data) return {};
  fd::StringEncoding encoding = fd::UTF8StringEncoding;
  if (encodingName && !encodingName->isEmpty()) {
    fd::StringEncoding named = fd::encodingForIANACharsetName(*encodingName);
    if (named != fd::kInvalidEncoding && fd::isSupportedEncoding(named)) encoding = named;
  }
  if (encoding == fd::UTF8StringEncoding) return std::string(data->view());
  if (auto text = fd::stringWithData(*data, encoding)) return text->utf8();
  return std::string(data->view());
}

bool hasPrefix(const rt::String& s, const char* prefix) {
  return s.lowercaseString().utf8().rfind(prefix, 0) == 0;
}

}  // namespace

RT_IMPLEMENT_PLATFORM(WebView) {
  c.property("scalesPageToFit", &WebView::scalesPageToFit, &WebView::setScalesPageToFit);
  c.property("mediaPlaybackRequiresUserAction", &WebView::mediaPlaybackRequiresUserAction,
             &WebView::setMediaPlaybackRequiresUserAction);
  c.property("loading", &WebView::isLoading);
}

void WebView::init(gfx::Rect frame) {
  View::init(frame);
  setBackgroundColor(gfx::Color::whiteColor());
  scrollView_ = rt::make<WebPageScrollView>(gfx::RectMake(0, 0, frame.size.width, frame.size.height));
  scrollView_->setAlwaysBounceVertical(true);
  Weak<WebView> weak = std::static_pointer_cast<WebView>(self());
  scrollView_->setLayoutHook([weak] {
    if (auto w = weak.lock()) w->placeTiles();
  });
  auto tap = rt::make<TapGestureRecognizer>();
  tap->addTarget(scrollView_, [weak](GestureRecognizer& g) {
    auto w = weak.lock();
    if (w && g.state() == GestureRecognizerState::Ended) w->tapped(g.locationInView(w->scrollView_.get()));
  });
  scrollView_->addGestureRecognizer(tap);
  addSubview(scrollView_);
  session_ = fd::URLSession::sessionWithConfiguration(fd::URLSessionConfiguration::defaultSessionConfiguration(),
                                                      nullptr, fd::OperationQueue::mainQueue());
}

WebView::~WebView() {
  if (session_) session_->invalidateAndCancel();
}

Ref<ScrollView> WebView::scrollView() const { return scrollView_; }

// ---- loading

void WebView::loadRequest(const Ref<fd::URLRequest>& request) {
  Entry e;
  e.kind = Entry::Kind::Request;
  e.request = request ? request : fd::URLRequest::requestWithURL(nullptr);
  navigate(std::move(e), WebViewNavigationType::Other, -1);
}

void WebView::loadHTMLString(const rt::String& html, const Ref<fd::URL>& baseURL) {
  Entry e;
  e.kind = Entry::Kind::Text;
  e.html = html.utf8();
  e.baseURL = baseURL;
  navigate(std::move(e), WebViewNavigationType::Other, -1);
}

void WebView::loadData(const Ref<fd::Data>& data, const rt::String& MIMEType, const rt::String& textEncodingName,
                       const Ref<fd::URL>& baseURL) {
  Entry e;
  e.kind = Entry::Kind::Text;
  e.baseURL = baseURL;
  if (hasPrefix(MIMEType, "image/")) {
    e.data = data;
    e.html = "<html><body style=\"margin:0\"><img src=\"kd-data:picture\"></body></html>";
  } else if (hasPrefix(MIMEType, "text/") || hasPrefix(MIMEType, "application/xhtml")) {
    e.html = decodeText(data, textEncodingName.isEmpty() ? std::nullopt : std::optional<rt::String>(textEncodingName));
  } else {
    e.kind = Entry::Kind::Request;
    e.request = fd::URLRequest::requestWithURL(baseURL ? baseURL : fd::URL::URLWithString("about:blank"));
    e.baseURL = nullptr;
    navigate(std::move(e), WebViewNavigationType::Other, kUnshowable);
    return;
  }
  navigate(std::move(e), WebViewNavigationType::Other, -1);
}

Ref<fd::URLRequest> WebView::request() const {
  const Entry* e = hasPending_ ? &pending_ : (index_ >= 0 ? &history_[static_cast<size_t>(index_)] : nullptr);
  if (!e) return nullptr;
  if (e->kind == Entry::Kind::Request) return e->request;
  return fd::URLRequest::requestWithURL(e->baseURL ? e->baseURL : fd::URL::URLWithString("about:blank"));
}

void WebView::navigate(Entry entry, WebViewNavigationType type, int64_t historyTarget) {
  Ref<fd::URLRequest> asked = entry.kind == Entry::Kind::Request
                                  ? entry.request
                                  : fd::URLRequest::requestWithURL(entry.baseURL ? entry.baseURL
                                                                                 : fd::URL::URLWithString("about:blank"));
  if (auto d = liveDelegate()) {
    if (d->webViewShouldStartLoadWithRequest(*this, asked, type) == std::optional<bool>(false)) return;
  }
  // A load under way gives way to the new one, as a cancelled failure.
  if (loading_) stopLoading();
  const uint64_t generation = ++generation_;
  loading_ = true;
  started_ = false;
  pending_ = entry;
  pendingType_ = type;
  hasPending_ = true;
  Weak<WebView> weak = std::static_pointer_cast<WebView>(self());
  dispatch::mainQueue()->async([weak, generation, historyTarget] {
    auto w = weak.lock();
    if (!w || generation != w->generation_) return;
    w->started_ = true;
    if (auto d = w->liveDelegate()) d->webViewDidStartLoad(*w);
    if (generation != w->generation_) return;  // the delegate stopped or replaced the load
    const Entry& e = w->pending_;
    if (historyTarget == kUnshowable) {
      w->fail(fd::makeURLError(fd::NSURLErrorCannotDecodeContentData, e.request->URL()), generation);
    } else if (e.kind == Entry::Kind::Request) {
      w->fetch(e.request, generation, historyTarget);
    } else {
      Entry copy = e;
      w->commit(copy, copy.html, copy.baseURL, historyTarget, generation);
    }
  });
}

void WebView::fetch(const Ref<fd::URLRequest>& request, uint64_t generation, int64_t historyTarget) {
  if (!request->URL()) {
    fail(fd::makeURLError(fd::NSURLErrorBadURL, nullptr), generation);
    return;
  }
  Weak<WebView> weak = std::static_pointer_cast<WebView>(self());
  mainTask_ = session_->dataTaskWithRequest(
      request, [weak, generation, historyTarget](Ref<fd::Data> data, Ref<fd::URLResponse> response, Ref<fd::Error> error) {
        auto w = weak.lock();
        if (!w || generation != w->generation_ || !w->loading_) return;
        w->mainTask_ = nullptr;
        if (error) return w->fail(error, generation);
        auto http = std::dynamic_pointer_cast<fd::HTTPURLResponse>(response);
        if (http && http->statusCode() >= 400) {
          auto url = response->URL();
          return w->fail(fd::makeURLError(fd::NSURLErrorBadServerResponse, url), generation);
        }
        Entry entry = w->pending_;
        Ref<fd::URL> base = response && response->URL() ? response->URL() : entry.request->URL();
        std::string html;
        auto mime = response && response->MIMEType() ? *response->MIMEType() : rt::String("text/html");
        if (hasPrefix(mime, "image/")) {
          entry.data = data;
          html = "<html><body style=\"margin:0\"><img src=\"kd-data:picture\"></body></html>";
        } else if (hasPrefix(mime, "video/") || hasPrefix(mime, "audio/")) {
          // A stream opened directly shows as a page holding only its player.
          const char* tag = hasPrefix(mime, "video/") ? "video" : "audio";
          html = std::string("<html><head><meta name=\"viewport\" content=\"width=device-width\"></head>"
                             "<body style=\"margin:0;background-color:black\"><") +
                 tag + " controls width=\"100%\" src=\"" + base->absoluteString().utf8() + "\"></" + tag +
                 "></body></html>";
        } else {
          html = decodeText(data, response ? response->textEncodingName() : std::nullopt);
        }
        w->commit(entry, html, base, historyTarget, generation);
      });
  mainTask_->resume();
}

void WebView::commit(const Entry& entry, const std::string& html, Ref<fd::URL> baseURL, int64_t historyTarget,
                     uint64_t generation) {
  closeMedia();
  for (auto& [i, tile] : tiles_) tile->removeFromSuperview();
  tiles_.clear();
  pictureTasks_.clear();
  Weak<WebView> weak = std::static_pointer_cast<WebView>(self());
  HTMLDocumentContainer::Hooks hooks;
  Ref<fd::Data> inlinePicture = entry.data;
  hooks.imageRequested = [weak, generation, inlinePicture](const std::string& url) {
    auto w = weak.lock();
    if (!w) return;
    if (url == "kd-data:picture" && inlinePicture) {
      // The picture of a picture load: answered once the page exists.
      dispatch::mainQueue()->async([weak, url, inlinePicture, generation] {
        if (auto v = weak.lock()) v->pictureArrived(url, inlinePicture, generation);
      });
      return;
    }
    w->requestPicture(url, generation);
  };
  hooks.anchorClicked = [weak](const std::string& url) {
    // Navigation replaces the page, so it waits until the engine's tap handling is over.
    dispatch::mainQueue()->async([weak, url] {
      if (auto w = weak.lock()) w->followLink(url);
    });
  };
  page_ = std::make_shared<HTMLPage>(html, baseURL, std::move(hooks));
  if (historyTarget >= 0 && historyTarget < static_cast<int64_t>(history_.size())) {
    index_ = historyTarget;
    history_[static_cast<size_t>(index_)] = entry;
  } else {
    history_.resize(static_cast<size_t>(index_ + 1));
    history_.push_back(entry);
    index_ = static_cast<int64_t>(history_.size()) - 1;
  }
  hasPending_ = false;
  laidOutWidth_ = -1;
  relayOut();
  // A reloaded page stays where it was read (a pull-down header may still be settling);
  // any other page starts at its top.
  if (pendingType_ != WebViewNavigationType::Reload)
    scrollView_->setContentOffset(gfx::Point{0, -scrollView_->contentInset().top});
  finishIfSettled(generation);
}

void WebView::fail(Ref<fd::Error> error, uint64_t generation) {
  if (generation != generation_ || !loading_) return;
  ++generation_;
  cancelTasks();
  loading_ = false;
  hasPending_ = false;
  if (auto d = liveDelegate()) d->webViewDidFailLoadWithError(*this, error);
}

void WebView::finishIfSettled(uint64_t generation) {
  if (generation != generation_ || !loading_ || !page_ || hasPending_) return;
  if (page_->container().pendingImageCount() > 0) return;
  loading_ = false;
  pictureTasks_.clear();
  if (!mediaNeedsUserAction_) {
    gfx::Rect box = gfx::RectZero;
    if (const HTMLMediaBox* media = page_->autoplayMedia(&box)) playMedia(*media, box);
  }
  if (auto d = liveDelegate()) d->webViewDidFinishLoad(*this);
}

void WebView::cancelTasks() {
  if (mainTask_) mainTask_->cancel();
  mainTask_ = nullptr;
  for (auto& t : pictureTasks_) t->cancel();
  pictureTasks_.clear();
}

void WebView::stopLoading() {
  if (!loading_) return;
  ++generation_;
  cancelTasks();
  loading_ = false;
  hasPending_ = false;
  if (started_) {
    auto url = pending_.kind == Entry::Kind::Request && pending_.request ? pending_.request->URL() : nullptr;
    if (auto d = liveDelegate()) d->webViewDidFailLoadWithError(*this, fd::makeURLError(fd::NSURLErrorCancelled, url));
  }
}

void WebView::reload() {
  if (index_ >= 0) navigate(history_[static_cast<size_t>(index_)], WebViewNavigationType::Reload, index_);
  else if (hasPending_) navigate(pending_, WebViewNavigationType::Reload, -1);
}

void WebView::goBack() {
  if (canGoBack()) navigate(history_[static_cast<size_t>(index_ - 1)], WebViewNavigationType::BackForward, index_ - 1);
}

void WebView::goForward() {
  if (canGoForward())
    navigate(history_[static_cast<size_t>(index_ + 1)], WebViewNavigationType::BackForward, index_ + 1);
}

void WebView::followLink(const std::string& url) {
  auto target = fd::URL::URLWithString(rt::String(url.c_str()));
  if (!target) return;
  Entry e;
  e.kind = Entry::Kind::Request;
  e.request = fd::URLRequest::requestWithURL(target);
  navigate(std::move(e), WebViewNavigationType::LinkClicked, -1);
}

// ---- pictures

void WebView::requestPicture(const std::string& url, uint64_t generation) {
  auto address = fd::URL::URLWithString(rt::String(url.c_str()));
  if (!address) {
    dispatch::mainQueue()->async([weak = Weak<WebView>(std::static_pointer_cast<WebView>(self())), url, generation] {
      if (auto w = weak.lock()) w->pictureArrived(url, nullptr, generation);
    });
    return;
  }
  Weak<WebView> weak = std::static_pointer_cast<WebView>(self());
  auto task = session_->dataTaskWithRequest(
      fd::URLRequest::requestWithURL(address),
      [weak, url, generation](Ref<fd::Data> data, Ref<fd::URLResponse> response, Ref<fd::Error> error) {
        auto w = weak.lock();
        if (!w) return;
        auto http = std::dynamic_pointer_cast<fd::HTTPURLResponse>(response);
        if (error || (http && http->statusCode() >= 400)) data = nullptr;
        w->pictureArrived(url, data, generation);
      });
  pictureTasks_.push_back(task);
  task->resume();
}

void WebView::pictureArrived(const std::string& url, Ref<fd::Data> data, uint64_t generation) {
  if (!page_) return;
  // A picture that fails or does not decode leaves its box empty; the page still finishes.
  Ref<gfx::Image> image = data ? gfx::Image::imageWithData(data) : nullptr;
  if (!page_->container().setImage(url, image)) return;
  if (image) relayOut();
  finishIfSettled(generation);
}

// ---- layout and drawing

void WebView::setFrame(gfx::Rect frame) {
  View::setFrame(frame);
  setNeedsLayout();
}

void WebView::setBounds(gfx::Rect bounds) {
  View::setBounds(bounds);
  setNeedsLayout();
}

void WebView::layoutSubviews() {
  gfx::Rect b = bounds();
  if (scrollView_->View::frame().size != b.size) scrollView_->setFrame(gfx::RectMake(0, 0, b.size.width, b.size.height));
  if (page_ && b.size.width != laidOutWidth_) relayOut();
}

void WebView::setScalesPageToFit(bool on) {
  if (scalesPageToFit_ == on) return;
  scalesPageToFit_ = on;
  laidOutWidth_ = -1;
  if (page_) relayOut();
}

void WebView::relayOut() {
  if (!page_) return;
  gfx::Rect b = bounds();
  if (b.size.width != laidOutWidth_) {
    page_->layOut(b.size.width, b.size.height, scalesPageToFit_);
    laidOutWidth_ = b.size.width;
  } else {
    page_->layOutAgain();
  }
  gfx::Size size = page_->size();
  size.width = std::max(size.width, b.size.width);
  scrollView_->setContentSize(size);
  for (auto& [i, tile] : tiles_) tile->removeFromSuperview();
  tiles_.clear();
  placeTiles();
  if (mediaView_) closeMedia();
}

void WebView::placeTiles() {
  if (!page_ || !scrollView_) return;
  gfx::Size content = scrollView_->contentSize();
  if (content.height <= 0) return;
  gfx::Rect visible = scrollView_->bounds();
  const int64_t count = static_cast<int64_t>(std::ceil(content.height / kTileHeight));
  const int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(visible.origin.y / kTileHeight)) - 1);
  const int64_t last =
      std::min<int64_t>(count - 1, static_cast<int64_t>(std::floor(gfx::RectGetMaxY(visible) / kTileHeight)) + 1);
  for (auto it = tiles_.begin(); it != tiles_.end();) {
    if (it->first < first || it->first > last) {
      it->second->removeFromSuperview();
      it = tiles_.erase(it);
    } else {
      ++it;
    }
  }
  Weak<WebView> weak = std::static_pointer_cast<WebView>(self());
  for (int64_t i = first; i <= last; ++i) {
    if (tiles_.count(i)) continue;
    double top = static_cast<double>(i) * kTileHeight;
    auto tile = rt::make<WebPageTileView>(
        gfx::RectMake(0, top, content.width, std::min(kTileHeight, content.height - top)));
    tile->setBackgroundColor(gfx::Color::clearColor());
    tile->setUserInteractionEnabled(false);
    tile->setPainter([weak](gfx::Context& ctx, gfx::Rect pageRect) {
      auto w = weak.lock();
      if (w && w->page_) w->page_->draw(ctx, pageRect);
    });
    scrollView_->insertSubviewAtIndex(tile, 0);
    tiles_[i] = tile;
  }
}

gfx::Size WebView::pageSize() const { return page_ ? page_->size() : gfx::Size{0, 0}; }

rt::String WebView::pageTitle() const { return page_ ? rt::String(page_->title().c_str()) : rt::String(); }

// ---- taps and media

void WebView::tapped(gfx::Point point) {
  if (!page_) return;
  // The player over the element takes its own taps (pause, play); opening the element again
  // would start it over.
  if (mediaView_ && gfx::RectContainsPoint(mediaView_->frame(), point)) return;
  gfx::Rect box = gfx::RectZero;
  const HTMLMediaBox* media = page_->tap(point, &box);
  if (media) playMedia(*media, box);
}

void WebView::playMedia(const HTMLMediaBox& media, gfx::Rect box) {
  closeMedia();
  auto url = fd::URL::URLWithString(rt::String(media.url.c_str()));
  if (!url) return;
  mediaView_ = rt::make<MediaPlayerView>(box, url, !media.isVideo);
  scrollView_->addSubview(mediaView_);
  mediaView_->player()->play();
}

void WebView::closeMedia() {
  if (!mediaView_) return;
  mediaView_->player()->pause();
  mediaView_->removeFromSuperview();
  mediaView_ = nullptr;
}

}  // namespace ui
