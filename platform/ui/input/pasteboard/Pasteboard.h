#pragma once
// Pasteboards: the general one every copy and paste goes through and named ones an
// application makes for itself. Each holds a list of items, each item a map of type
// identifier -> value (a string object, URL, image or data). Strings, URLs and images have
// typed accessors over the items; anything else goes by type as data. The change count grows
// with every change. The general pasteboard's plain text follows the desktop clipboard when
// one is installed; every other type stays in this process. Safe from any thread.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/Types.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/Image.h"
#include "platform/ui/input/pasteboard/DesktopClipboard.h"
#include "platform/ui/input/pasteboard/PasteboardTypes.h"

namespace ui {

using PasteboardItem = std::map<rt::String, rt::Id>;

class Pasteboard : public rt::Object {
  RT_CLASS_NAMED(Pasteboard, rt::Object, "UIPasteboard")
 public:
  void init(rt::String name) { name_ = std::move(name); }

  static Ref<Pasteboard> generalPasteboard();
  /// The pasteboard of that name; made when `create`, else null when there is none. The
  /// general pasteboard answers to its own name.
  static Ref<Pasteboard> pasteboardWithName(const rt::String& name, bool create);
  static Ref<Pasteboard> pasteboardWithUniqueName();
  static void removePasteboardWithName(const rt::String& name);
  /// Bridges the general pasteboard's plain text to `clipboard` (null: stop bridging).
  static void setDesktopClipboard(std::shared_ptr<DesktopClipboard> clipboard);

  const rt::String& name() const { return name_; }
  int64_t changeCount() const;

  // ---- items
  std::vector<PasteboardItem> items() const;
  void setItems(std::vector<PasteboardItem> items);
  void addItems(std::vector<PasteboardItem> items);
  size_t numberOfItems() const;
  /// The types of the first item.
  std::vector<rt::String> pasteboardTypes() const;
  bool containsPasteboardTypes(const std::vector<rt::String>& types) const;

  // ---- by type, in the first item
  /// The value under `type`: the stored object.
  rt::Id valueForPasteboardType(const rt::String& type) const;
  /// Replaces every item with one holding `value` under `type`; a null value clears.
  void setValue(const rt::Id& value, const rt::String& type);
  /// The value under `type` as bytes: data as is, text as UTF-8, a URL as its string, an
  /// image as PNG.
  Ref<fd::Data> dataForPasteboardType(const rt::String& type) const;
  void setData(const Ref<fd::Data>& data, const rt::String& type) { setValue(data, type); }

  // ---- typed accessors: the first item's value, and every item's
  std::optional<rt::String> string() const;
  void setString(const rt::String& s);
  std::vector<rt::String> strings() const;
  void setStrings(const std::vector<rt::String>& strings);
  bool hasStrings() const { return string().has_value(); }

  Ref<fd::URL> url() const;
  void setURL(const Ref<fd::URL>& url);
  std::vector<Ref<fd::URL>> urls() const;
  bool hasURLs() const { return url() != nullptr; }

  Ref<gfx::Image> image() const;
  void setImage(const Ref<gfx::Image>& image);
  std::vector<Ref<gfx::Image>> images() const;
  bool hasImages() const { return image() != nullptr; }

 private:
  /// Takes in a text the desktop clipboard got from elsewhere (general pasteboard only).
  void pullFromDesktop() const;
  /// Stores the items, counts the change, hands plain text to the desktop and tells observers.
  void replaceItems(std::vector<PasteboardItem> items, bool append);

  rt::String name_;
  mutable std::mutex mutex_;
  mutable std::vector<PasteboardItem> items_;
  mutable int64_t changeCount_ = 0;
  mutable std::optional<rt::String> desktopSeen_;  // the desktop text last taken or given
  bool general_ = false;
};

/// The item's text under the first plain-text type it has, if any.
std::optional<rt::String> pasteboardItemString(const PasteboardItem& item);
Ref<fd::URL> pasteboardItemURL(const PasteboardItem& item);
/// An image object under any type, else the first image data that decodes.
Ref<gfx::Image> pasteboardItemImage(const PasteboardItem& item);

}  // namespace ui
