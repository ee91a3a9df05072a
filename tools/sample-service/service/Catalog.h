#pragma once
// The service's data set: channels and their articles, banners, loading pages, videos and the
// about text. Built once from a seed and the address the pictures are served from; read-only
// afterwards, so any number of request threads may share it.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/sample-service/service/Records.h"

namespace sample {

enum class TextStyle;

class Catalog {
 public:
  /// `baseURL` is "http://host:port", prefixed to every picture and page address.
  Catalog(uint64_t seed, std::string baseURL);

  const std::string& baseURL() const { return baseURL_; }
  const std::vector<Channel>& channels() const { return channels_; }
  const std::vector<Banner>& banners() const { return banners_; }
  const std::vector<LoadingPage>& loadingPages() const { return loadingPages_; }
  const std::string& about() const { return about_; }

  /// Articles of a channel by its trs identifier, newest first; null for an unknown channel.
  const std::vector<Article>* articlesOfChannel(const std::string& trsId) const;
  /// The channel record by its own identifier; null when there is none.
  const Channel* channelById(const std::string& id) const;
  const Article* articleById(const std::string& docId) const;
  /// Videos of a category ("1" television news, "8" feature videos); null when unknown.
  const std::vector<Video>* videosOfCategory(const std::string& id) const;

 private:
  void addChannels(uint64_t seed);
  void addArticles(uint64_t seed, const Channel& channel, int count, TextStyle style);
  void addBanners(uint64_t seed);
  void addVideos(uint64_t seed, const std::string& category, int count);

  std::string baseURL_;
  std::vector<Channel> channels_;
  std::map<std::string, std::vector<Article>> articles_;
  std::map<std::string, std::pair<std::string, size_t>> articleIndex_;  // docId -> (trs id, index)
  std::vector<Banner> banners_;
  std::vector<LoadingPage> loadingPages_;
  std::map<std::string, std::vector<Video>> videos_;
  std::string about_;
  int64_t nextDocId_ = 140001;
};

}  // namespace sample
