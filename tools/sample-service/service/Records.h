#pragma once
// The records the service hands out. Field names follow the JSON keys the clients read.
#include <cstdint>
#include <string>
#include <vector>

namespace sample {

struct Channel {
  std::string id;
  std::string parent_id;
  bool has_child = false;
  std::string url;
  std::string order_id;
  std::string grade;
  std::string title;
  std::string prefix;
  std::string trs_channel_id;
  std::string image_id;
  std::string image;
  std::string create_time;
  std::string des;
};

struct PictureAttachment {
  std::string absUrl;
  std::string srcFile;
  std::string id;
  std::string alt;
  std::string file;
  std::string fileExt;
  std::string flag;
  std::string flagString;
  std::string desc;
  std::string docId;
};

struct Article {
  std::string docId;
  std::string chnlId;    // the channel's trs identifier
  std::string chnlName;
  std::string docTitle;
  std::string subTitle;
  std::string docAbstract;
  std::string docAuthor;
  std::string docKeyWords;
  std::string docRelTime;
  std::string docType;
  std::string docPubUrl;
  std::string docHtmlCon;
  std::vector<PictureAttachment> picAttach;
};

struct Banner {
  std::string id;
  std::string parent_id;
  std::string order_id;
  std::string image_id;
  std::string title;
  std::string image;
  std::string url;
  std::string start_time;
  std::string end_time;
  std::string create_time;
};

struct LoadingPage {
  std::string image;
};

struct Video {
  std::string id;
  std::string player;
  std::string fileName;
  std::string title;
  std::string image;
  std::string href;
  std::string date;
  std::string httpStreamUrl;  // empty: the record carries no stream address
};

}  // namespace sample
