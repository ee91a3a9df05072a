#pragma once
// The answers of the content service endpoints and of the video list service, as JSON text,
// computed from the catalog and the request's parameters. Signing, latency and failure modes
// belong to the server around it.
#include <map>
#include <string>

#include "tools/sample-service/service/Catalog.h"

namespace sample {

using Parameters = std::map<std::string, std::string>;

struct Answer {
  int httpStatus = 200;
  std::string contentType = "application/json; charset=utf-8";
  std::string body;
};

class ContentService {
 public:
  explicit ContentService(const Catalog& catalog) : catalog_(catalog) {}

  /// `endpoint` is the path after "/api.php/", such as "App/article_list". Unknown endpoints
  /// answer HTTP 404 with an envelope saying so.
  Answer answer(const std::string& endpoint, const Parameters& parameters) const;
  /// The video list service: "id" (category) and "pageNo"; ten videos a page.
  Answer videoList(const Parameters& parameters) const;

  /// An envelope without data, for refusals decided outside (signing, failure modes).
  static Answer failure(int status, const std::string& info);

 private:
  Answer paged(const Parameters& parameters, bool withTotal) const;
  Answer aggregated(const Parameters& parameters) const;
  Answer articleInfo(const Parameters& parameters) const;

  const Catalog& catalog_;
};

inline constexpr int kVideoPageSize = 10;

}  // namespace sample
