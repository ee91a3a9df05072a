#pragma once
// Plausible Chinese titles, abstracts and bodies for the district's articles, drawn from
// word pools with a seeded generator.
#include <string>
#include <vector>

#include "tools/sample-service/service/SeededRandom.h"

namespace sample {

enum class TextStyle { News, Notice, Activity, Sight, Food, Gallery, History, Magazine, Supplement, Profile };

struct ArticleText {
  std::string title;
  std::string subTitle;
  std::string abstract;
  std::string author;
  std::string keywords;
  std::vector<std::string> paragraphs;
};

ArticleText makeArticleText(SeededRandom& random, TextStyle style);

/// A short headline for a video or banner.
std::string makeHeadline(SeededRandom& random);

/// The about text of the application.
std::string aboutText();

}  // namespace sample
