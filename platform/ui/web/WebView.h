#pragma once
// The web view: loads a page (a request through URL loading, an HTML string, or data of a
// MIME type), lays it out with the HTML engine and shows it in its scroll view, keeps a
// history, follows tapped links after asking its delegate, fetches the page's pictures and
// plays its media elements when tapped. Everything runs on the main thread; delegate calls
// come from the main run loop, start before finish or failure, once per load.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/view/View.h"

namespace ui {

class HTMLPage;
struct HTMLMediaBox;
class MediaPlayerView;
class ScrollView;
class WebPageScrollView;
class WebPageTileView;
class WebView;

enum class WebViewNavigationType : int64_t {
  LinkClicked = 0,
  FormSubmitted = 1,
  BackForward = 2,
  Reload = 3,
  FormResubmitted = 4,
  Other = 5,
};

/// Every operation is optional; `webViewShouldStartLoadWithRequest` answers nullopt for "does
/// not respond" (the load goes ahead).
class WebViewDelegate {
 public:
  virtual ~WebViewDelegate() = default;
  virtual std::optional<bool> webViewShouldStartLoadWithRequest(WebView& w, const Ref<fd::URLRequest>& request,
                                                                WebViewNavigationType type) {
    (void)w; (void)request; (void)type;
    return std::nullopt;
  }
  virtual void webViewDidStartLoad(WebView& w) { (void)w; }
  virtual void webViewDidFinishLoad(WebView& w) { (void)w; }
  virtual void webViewDidFailLoadWithError(WebView& w, const Ref<fd::Error>& error) { (void)w; (void)error; }
};

/// Kinds of data the page would turn into links; kept for callers, nothing is detected.
enum DataDetectorTypes : uint64_t {
  DataDetectorTypeNone = 0,
  DataDetectorTypePhoneNumber = 1 << 0,
  DataDetectorTypeLink = 1 << 1,
  DataDetectorTypeAll = ~0ull,
};

class WebView : public View {
  RT_CLASS_NAMED(WebView, View, "UIWebView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~WebView() override;

  Weak<WebViewDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<WebViewDelegate> d) { delegate_ = std::move(d); }
  /// The scroll view the page sits in; its delegate and subviews (a refresh header) are the
  /// caller's.
  Ref<ScrollView> scrollView() const;

  // ---- loading
  /// Through URL loading with the request's cache policy and time-out.
  void loadRequest(const Ref<fd::URLRequest>& request);
  /// Relative addresses in the page resolve against `baseURL` (may be null).
  void loadHTMLString(const rt::String& html, const Ref<fd::URL>& baseURL);
  /// HTML (any text/ MIME type) in `textEncodingName` (IANA name; UTF-8 when empty or
  /// unknown); pictures (image/ MIME types) are shown alone. Other types fail the load.
  void loadData(const Ref<fd::Data>& data, const rt::String& MIMEType, const rt::String& textEncodingName,
                const Ref<fd::URL>& baseURL);
  /// The request of the page shown (or being loaded): a string or data load gives a request
  /// for its base address, or "about:blank".
  Ref<fd::URLRequest> request() const;
  bool isLoading() const { return loading_; }
  /// Loads the current history entry again.
  void reload();
  /// Cancels the load under way; the delegate hears of it as a cancelled failure.
  void stopLoading();
  bool canGoBack() const { return index_ > 0; }
  bool canGoForward() const { return index_ + 1 < static_cast<int64_t>(history_.size()); }
  void goBack();
  void goForward();

  // ---- behaviour
  bool scalesPageToFit() const { return scalesPageToFit_; }
  void setScalesPageToFit(bool on);
  /// On: media elements play only when tapped. Off: the first one marked "autoplay" starts
  /// as the page finishes loading.
  bool mediaPlaybackRequiresUserAction() const { return mediaNeedsUserAction_; }
  void setMediaPlaybackRequiresUserAction(bool on) { mediaNeedsUserAction_ = on; }
  uint64_t dataDetectorTypes() const { return dataDetectorTypes_; }
  void setDataDetectorTypes(uint64_t t) { dataDetectorTypes_ = t; }

  // ---- what is shown
  /// The page's size in points as laid out (the scroll view's content size).
  gfx::Size pageSize() const;
  /// The page's title element, or empty.
  rt::String pageTitle() const;
  /// The media player showing a tapped media element, or null.
  Ref<MediaPlayerView> activeMediaView() const { return mediaView_; }

  void setFrame(gfx::Rect frame) override;
  void setBounds(gfx::Rect bounds) override;
  void layoutSubviews() override;

 private:
  struct Entry {
    enum class Kind { Request, Text } kind = Kind::Request;
    Ref<fd::URLRequest> request;
    std::string html;     // Text: the page
    Ref<fd::URL> baseURL;  // Text: the base address
    Ref<fd::Data> data;   // Text: a picture shown alone when set
  };
  void navigate(Entry entry, WebViewNavigationType type, int64_t historyTarget);
  void fetch(const Ref<fd::URLRequest>& request, uint64_t generation, int64_t historyTarget);
  void commit(const Entry& entry, const std::string& html, Ref<fd::URL> baseURL, int64_t historyTarget,
              uint64_t generation);
  void fail(Ref<fd::Error> error, uint64_t generation);
  void finishIfSettled(uint64_t generation);
  void cancelTasks();
  void requestPicture(const std::string& url, uint64_t generation);
  void pictureArrived(const std::string& url, Ref<fd::Data> data, uint64_t generation);
  void followLink(const std::string& url);
  void tapped(gfx::Point point);
  void playMedia(const HTMLMediaBox& media, gfx::Rect box);
  void relayOut();
  void placeTiles();
  void closeMedia();
  Ref<WebViewDelegate> liveDelegate() const { return delegate_.lock(); }

  Weak<WebViewDelegate> delegate_;
  Ref<WebPageScrollView> scrollView_;
  Ref<fd::URLSession> session_;
  std::shared_ptr<HTMLPage> page_;
  std::map<int64_t, Ref<WebPageTileView>> tiles_;
  std::vector<Entry> history_;
  int64_t index_ = -1;
  Entry pending_;  // the entry being loaded (its request is `request()` meanwhile)
  WebViewNavigationType pendingType_ = WebViewNavigationType::Other;
  bool hasPending_ = false;
  Ref<fd::URLSessionDataTask> mainTask_;
  std::vector<Ref<fd::URLSessionDataTask>> pictureTasks_;
  uint64_t generation_ = 0;  // bumped by every navigation; late answers of older ones are dropped
  bool loading_ = false;
  bool started_ = false;  // the delegate heard of the current load's start
  bool scalesPageToFit_ = false;
  bool mediaNeedsUserAction_ = true;
  uint64_t dataDetectorTypes_ = DataDetectorTypeAll;
  double laidOutWidth_ = -1;
  Ref<MediaPlayerView> mediaView_;
};

}  // namespace ui
