// Each library loads what it uses: the HTTP client and the layers below it load no UI, web or
// media library, and the UI libraries that neither show pages nor play media load neither
// engine. The dependencies are read from the built files with ldd, so a link added anywhere
// along the way (a library linking another that links SDL) shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ':')) {
    if (!item.empty()) out.push_back(item);
  }
  return out;
}

/// The libraries the dynamic loader maps for `file`, by name without the ".so..." suffix
/// ("libSDL2-2.0", "libplatform_ui").
std::set<std::string> loadedLibraries(const std::string& file, std::string* error) {
  std::set<std::string> names;
  std::string command = "ldd '" + file + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    *error = "cannot run ldd";
    return names;
  }
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int status = pclose(pipe);
  if (status != 0) {
    *error = "ldd failed on " + file + ": " + output;
    return names;
  }
  std::stringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    std::string name = line.substr(start, line.find_first_of(" \t", start) - start);
    if (name.find("not found") != std::string::npos || line.find("not found") != std::string::npos) {
      *error = file + " needs a library that is not found: " + line;
    }
    size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    size_t so = name.find(".so");
    if (so != std::string::npos) names.insert(name.substr(0, so));
  }
  return names;
}

const std::vector<std::string> kUILibraries = {"libplatform_ui", "libplatform_ui_web", "libplatform_ui_media",
                                               "libnet_ui", "libSDL2", "liblitehtml", "libmpv"};
const std::vector<std::string> kPageAndMediaLibraries = {"libplatform_ui_web", "libplatform_ui_media", "liblitehtml",
                                                         "libmpv"};

/// The libraries of `forbidden` that `file` loads (a name matches when it begins with one:
/// SDL's file is "libSDL2-2.0.so.0").
std::vector<std::string> forbiddenIn(const std::string& file, const std::vector<std::string>& forbidden,
                                     std::string* error) {
  std::vector<std::string> found;
  for (const std::string& name : loadedLibraries(file, error)) {
    for (const std::string& f : forbidden) {
      bool project = f.rfind("libplatform_", 0) == 0 || f.rfind("libnet_", 0) == 0;
      if (project ? name == f : name.rfind(f, 0) == 0) found.push_back(name);
    }
  }
  return found;
}

struct Group {
  const char* what;
  std::string files;
  const std::vector<std::string>* forbidden;
};

}  // namespace

TEST(LibraryGraph, LibrariesLoadOnlyWhatTheyUse) {
  const Group groups[] = {
      {"the HTTP client and the layers below it", KD_LEAN_LIBRARIES, &kUILibraries},
      {"UI libraries that show no pages and play no media", KD_PLAIN_UI_LIBRARIES, &kPageAndMediaLibraries},
  };
  for (const Group& group : groups) {
    auto files = split(group.files);
    ASSERT_FALSE(files.empty()) << group.what;
    for (const std::string& file : files) {
      std::string error;
      auto found = forbiddenIn(file, *group.forbidden, &error);
      EXPECT_TRUE(error.empty()) << error;
      std::string joined;
      for (auto& f : found) joined += f + " ";
      EXPECT_TRUE(found.empty()) << file << " (" << group.what << ") loads " << joined;
    }
  }
}

// The reader sees what it must catch: the HTTP client's view categories load pages (and so media)
// over the UI, and their file says so.
TEST(LibraryGraph, TheReaderFindsTheViewCategoriesUIAndEngines) {
  std::string error;
  auto found = forbiddenIn(KD_WEB_UI_LIBRARY, kUILibraries, &error);
  ASSERT_TRUE(error.empty()) << error;
  std::set<std::string> names(found.begin(), found.end());
  for (const char* expected : {"libplatform_ui", "libplatform_ui_web", "libplatform_ui_media", "liblitehtml", "libmpv"}) {
    EXPECT_TRUE(names.count(expected)) << expected;
  }
  EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](auto& n) { return n.rfind("libSDL2", 0) == 0; }));
  // A library that is missing altogether is an error, not a clean graph.
  forbiddenIn(std::string(KD_WEB_UI_LIBRARY) + ".missing", kUILibraries, &error);
  EXPECT_FALSE(error.empty());
}
