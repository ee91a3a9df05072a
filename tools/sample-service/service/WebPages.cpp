#include "tools/sample-service/service/WebPages.h"

namespace sample {
namespace {

std::string page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"><title>" +
         title + "</title></head><body><h1>" + title + "</h1>" + body + "</body></html>";
}

/// The identifier in "PREFIX/ID.html", or an empty string.
std::string idIn(const std::string& path, const std::string& prefix) {
  const std::string suffix = ".html";
  if (path.size() <= prefix.size() + suffix.size() || path.compare(0, prefix.size(), prefix) != 0 ||
      path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return {};
  }
  return path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
}

/// The stream as players fetch it: the ".f4m" manifest names become the clip itself.
std::string playableAddress(std::string address) {
  const std::string manifest = ".f4m";
  if (address.size() > manifest.size()) {
    std::string tail = address.substr(address.size() - manifest.size());
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == manifest) address.replace(address.size() - manifest.size(), manifest.size(), ".mp4");
  }
  return address;
}

}  // namespace

std::optional<std::string> webPage(const Catalog& catalog, const std::string& path) {
  if (path == "radio.html") {
    // The district station's live programme: a player and today's schedule.
    return page("907调频", "<audio controls src=\"/media/radio/live.wav\"></audio>"
                            "<ul><li>07:00 早间新闻</li><li>09:00 城区生活</li><li>12:00 午间资讯</li>"
                            "<li>18:00 交通广播</li><li>21:00 夜听音乐</li></ul>");
  }
  if (auto id = idIn(path, "article/"); !id.empty()) {
    const auto* a = catalog.articleById(id);
    if (!a) return std::nullopt;
    std::string body = "<p>" + a->docRelTime + " " + a->docAuthor + "</p>";
    auto open = a->docHtmlCon.find("<body>");
    auto close = a->docHtmlCon.rfind("</body>");
    if (open != std::string::npos && close != std::string::npos && close > open) {
      body += a->docHtmlCon.substr(open + 6, close - open - 6);
    }
    return page(a->docTitle, body);
  }
  if (auto id = idIn(path, "channel/"); !id.empty()) {
    const auto* c = catalog.channelById(id);
    if (!c || c->url.empty()) return std::nullopt;
    return page(c->title, "<p>" + c->des + "</p><p><img src=\"" + c->image + "\" width=\"100%\"/></p>");
  }
  if (auto id = idIn(path, "video/"); !id.empty()) {
    for (const char* category : {"1", "8"}) {
      for (const auto& v : *catalog.videosOfCategory(category)) {
        if (v.id != id) continue;
        // A video without a stream shows its poster alone.
        if (v.httpStreamUrl.empty())
          return page(v.title, "<p><img src=\"" + v.image + "\" width=\"100%\"/></p><p>" + v.date + "</p>");
        return page(v.title, "<video controls poster=\"" + v.image + "\" src=\"" + playableAddress(v.httpStreamUrl) +
                                 "\" width=\"100%\"></video><p>" + v.date + "</p>");
      }
    }
  }
  return std::nullopt;
}

}  // namespace sample
