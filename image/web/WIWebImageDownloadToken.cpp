#include "image/web/WIWebImageDownloadToken.h"

#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageDownloaderOperation.h"

namespace image {

RT_IMPLEMENT(WIWebImageDownloadToken) {}

void WIWebImageDownloadToken::init(Weak<WIWebImageDownloader> downloader, std::string url, uint64_t downloadId,
                                   uint64_t callerId, Ref<WIWebImageDownloaderOperation> operation,
                                   bool startedDownload) {
  downloader_ = std::move(downloader);
  url_ = std::move(url);
  downloadId_ = downloadId;
  callerId_ = callerId;
  operation_ = operation;
  startedDownload_ = startedDownload;
}

void WIWebImageDownloadToken::cancel() {
  if (auto downloader = downloader_.lock()) downloader->cancel(*this);
}

}  // namespace image
