#pragma once
// One caller's place in a download. Several callers asking for one URL share one download;
// cancelling a token silences only its caller, and the download itself stops only when the
// last of its callers has cancelled.
#include <cstdint>
#include <string>

#include "image/web/WIWebImageOperation.h"
#include "platform/foundation/Types.h"

namespace image {

class WIWebImageDownloader;
class WIWebImageDownloaderOperation;

class WIWebImageDownloadToken : public rt::Object, public WIWebImageOperation {
  RT_CLASS(WIWebImageDownloadToken, rt::Object)
 public:
  void init(Weak<WIWebImageDownloader> downloader, std::string url, uint64_t downloadId, uint64_t callerId,
            Ref<WIWebImageDownloaderOperation> operation, bool startedDownload);

  /// Removes this caller's blocks; the last caller to leave cancels the download.
  void cancel() override;

  /// The shared download.
  Ref<WIWebImageDownloaderOperation> downloadOperation() const { return operation_.lock(); }
  /// True for the caller whose request created the download, false for one that joined it.
  bool startedDownload() const { return startedDownload_; }
  const std::string& url() const { return url_; }
  uint64_t downloadId() const { return downloadId_; }
  uint64_t callerId() const { return callerId_; }

 private:
  Weak<WIWebImageDownloader> downloader_;
  std::string url_;
  uint64_t downloadId_ = 0;
  uint64_t callerId_ = 0;
  Weak<WIWebImageDownloaderOperation> operation_;
  bool startedDownload_ = false;
};

}  // namespace image
