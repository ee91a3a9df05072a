#include "platform/ui/input/pasteboard/Pasteboard.h"

#include <atomic>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/ImageData.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Pasteboard) {}

namespace {

struct Registry {
  std::mutex mutex;
  Ref<Pasteboard> general;
  std::map<rt::String, Ref<Pasteboard>> named;
  std::shared_ptr<DesktopClipboard> desktop;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives as long as the process; pasteboards outlive callers
  return *r;
}

std::shared_ptr<DesktopClipboard> desktopClipboard() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.desktop;
}

const char* const kTextTypes[] = {kUTTypeUTF8PlainText, kUTTypePlainText, kUTTypeText};
const char* const kImageDataTypes[] = {kUTTypePNG, kUTTypeJPEG, kUTTypeGIF, kUTTypeWebP, kUTTypeImage};

rt::Id lookup(const PasteboardItem& item, const char* type) {
  auto it = item.find(rt::String(type));
  return it == item.end() ? nullptr : it->second;
}

Ref<fd::Data> utf8Data(const rt::String& s) { return fd::Data::create(std::string_view(s.utf8())); }

}  // namespace

std::optional<rt::String> pasteboardItemString(const PasteboardItem& item) {
  for (const char* t : kTextTypes) {
    rt::Id v = lookup(item, t);
    if (auto s = std::dynamic_pointer_cast<fd::StringObject>(v)) return s->string();
    if (auto d = std::dynamic_pointer_cast<fd::Data>(v))
      return rt::String(std::string_view(reinterpret_cast<const char*>(d->bytes()), d->length()));
  }
  return std::nullopt;
}

Ref<fd::URL> pasteboardItemURL(const PasteboardItem& item) {
  rt::Id v = lookup(item, kUTTypeURL);
  if (auto u = std::dynamic_pointer_cast<fd::URL>(v)) return u;
  if (auto s = std::dynamic_pointer_cast<fd::StringObject>(v)) return fd::URL::URLWithString(s->string());
  return nullptr;
}

Ref<gfx::Image> pasteboardItemImage(const PasteboardItem& item) {
  for (const auto& [type, value] : item)
    if (auto img = std::dynamic_pointer_cast<gfx::Image>(value)) return img;
  for (const char* t : kImageDataTypes)
    if (auto d = std::dynamic_pointer_cast<fd::Data>(lookup(item, t)))
      if (auto img = gfx::Image::imageWithData(d)) return img;
  return nullptr;
}

// ---- the shared pasteboards

Ref<Pasteboard> Pasteboard::generalPasteboard() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (!r.general) {
    r.general = rt::make<Pasteboard>(rt::String(UIPasteboardNameGeneral));
    r.general->general_ = true;
  }
  return r.general;
}

Ref<Pasteboard> Pasteboard::pasteboardWithName(const rt::String& name, bool create) {
  if (name == UIPasteboardNameGeneral) return generalPasteboard();
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.named.find(name);
  if (it != r.named.end()) return it->second;
  if (!create || name.isEmpty()) return nullptr;
  auto p = rt::make<Pasteboard>(name);
  r.named.emplace(name, p);
  return p;
}

Ref<Pasteboard> Pasteboard::pasteboardWithUniqueName() {
  static std::atomic<uint64_t> counter{0};
  for (;;) {
    rt::String name = rt::String::format(rt::String("pasteboard-%llu"),
                                         static_cast<unsigned long long>(++counter));
    if (!pasteboardWithName(name, false)) return pasteboardWithName(name, true);
  }
}

void Pasteboard::removePasteboardWithName(const rt::String& name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.named.erase(name);
}

void Pasteboard::setDesktopClipboard(std::shared_ptr<DesktopClipboard> clipboard) {
  Ref<Pasteboard> general = generalPasteboard();
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.desktop = std::move(clipboard);
  }
  std::lock_guard lock(general->mutex_);
  general->desktopSeen_.reset();
}

// ---- items

void Pasteboard::pullFromDesktop() const {
  if (!general_) return;
  auto desktop = desktopClipboard();
  if (!desktop) return;
  std::optional<rt::String> text = desktop->text();
  // Empty or not text: whatever this process put here stays.
  if (!text || text->isEmpty()) return;
  {
    std::lock_guard lock(mutex_);
    if (desktopSeen_ == text) return;
    desktopSeen_ = text;
    if (!items_.empty() && pasteboardItemString(items_.front()) == text) return;
    items_ = {PasteboardItem{{rt::String(kUTTypeUTF8PlainText), fd::StringObject::create(*text)}}};
    ++changeCount_;
  }
  fd::NotificationCenter::defaultCenter()->post(rt::String(UIPasteboardChangedNotification),
                                                std::const_pointer_cast<rt::Object>(self()));
}

void Pasteboard::replaceItems(std::vector<PasteboardItem> items, bool append) {
  std::optional<rt::String> text;
  {
    std::lock_guard lock(mutex_);
    if (append) {
      for (auto& i : items) items_.push_back(std::move(i));
    } else {
      items_ = std::move(items);
    }
    ++changeCount_;
    if (general_ && !items_.empty()) text = pasteboardItemString(items_.front());
    if (text) desktopSeen_ = text;
  }
  if (text)
    if (auto desktop = desktopClipboard()) desktop->setText(*text);
  fd::NotificationCenter::defaultCenter()->post(rt::String(UIPasteboardChangedNotification), self());
}

int64_t Pasteboard::changeCount() const {
  pullFromDesktop();
  std::lock_guard lock(mutex_);
  return changeCount_;
}

std::vector<PasteboardItem> Pasteboard::items() const {
  pullFromDesktop();
  std::lock_guard lock(mutex_);
  return items_;
}

void Pasteboard::setItems(std::vector<PasteboardItem> items) { replaceItems(std::move(items), false); }
void Pasteboard::addItems(std::vector<PasteboardItem> items) { replaceItems(std::move(items), true); }

size_t Pasteboard::numberOfItems() const { return items().size(); }

std::vector<rt::String> Pasteboard::pasteboardTypes() const {
  std::vector<rt::String> out;
  auto all = items();
  if (!all.empty())
    for (const auto& [type, value] : all.front()) out.push_back(type);
  return out;
}

bool Pasteboard::containsPasteboardTypes(const std::vector<rt::String>& types) const {
  auto all = items();
  if (all.empty()) return false;
  for (const auto& t : types)
    if (all.front().count(t)) return true;
  return false;
}

rt::Id Pasteboard::valueForPasteboardType(const rt::String& type) const {
  auto all = items();
  if (all.empty()) return nullptr;
  auto it = all.front().find(type);
  return it == all.front().end() ? nullptr : it->second;
}

void Pasteboard::setValue(const rt::Id& value, const rt::String& type) {
  if (!value) return setItems({});
  setItems({PasteboardItem{{type, value}}});
}

Ref<fd::Data> Pasteboard::dataForPasteboardType(const rt::String& type) const {
  rt::Id v = valueForPasteboardType(type);
  if (auto d = std::dynamic_pointer_cast<fd::Data>(v)) return d;
  if (auto s = std::dynamic_pointer_cast<fd::StringObject>(v)) return utf8Data(s->string());
  if (auto u = std::dynamic_pointer_cast<fd::URL>(v)) return utf8Data(u->absoluteString());
  if (auto img = std::dynamic_pointer_cast<gfx::Image>(v)) return gfx::UIImagePNGRepresentation(img);
  return nullptr;
}

// ---- typed

std::optional<rt::String> Pasteboard::string() const {
  auto all = items();
  return all.empty() ? std::nullopt : pasteboardItemString(all.front());
}

void Pasteboard::setString(const rt::String& s) { setStrings({s}); }

std::vector<rt::String> Pasteboard::strings() const {
  std::vector<rt::String> out;
  for (const auto& item : items())
    if (auto s = pasteboardItemString(item)) out.push_back(*s);
  return out;
}

void Pasteboard::setStrings(const std::vector<rt::String>& strings) {
  std::vector<PasteboardItem> items;
  for (const auto& s : strings)
    items.push_back({{rt::String(kUTTypeUTF8PlainText), fd::StringObject::create(s)}});
  setItems(std::move(items));
}

Ref<fd::URL> Pasteboard::url() const {
  auto all = items();
  return all.empty() ? nullptr : pasteboardItemURL(all.front());
}

void Pasteboard::setURL(const Ref<fd::URL>& url) {
  if (!url) return setItems({});
  // The address is text as well, so that plain-text readers (and the desktop) get it.
  setItems({PasteboardItem{{rt::String(kUTTypeURL), url},
                           {rt::String(kUTTypeUTF8PlainText), fd::StringObject::create(url->absoluteString())}}});
}

std::vector<Ref<fd::URL>> Pasteboard::urls() const {
  std::vector<Ref<fd::URL>> out;
  for (const auto& item : items())
    if (auto u = pasteboardItemURL(item)) out.push_back(u);
  return out;
}

Ref<gfx::Image> Pasteboard::image() const {
  auto all = items();
  return all.empty() ? nullptr : pasteboardItemImage(all.front());
}

void Pasteboard::setImage(const Ref<gfx::Image>& image) {
  if (!image) return setItems({});
  Ref<fd::Data> png = gfx::UIImagePNGRepresentation(image);
  if (!png) return;
  setItems({PasteboardItem{{rt::String(kUTTypePNG), png}}});
}

std::vector<Ref<gfx::Image>> Pasteboard::images() const {
  std::vector<Ref<gfx::Image>> out;
  for (const auto& item : items())
    if (auto img = pasteboardItemImage(item)) out.push_back(img);
  return out;
}

}  // namespace ui
