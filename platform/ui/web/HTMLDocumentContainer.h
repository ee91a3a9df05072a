#pragma once
// The bridge between the HTML layout engine and this platform: fonts and shaping from the
// typesetter, drawing through gfx::Context (the engine's device handle is a Context*),
// pictures and media boxes kept per page, and link taps handed back to the owner.
// Lengths are CSS pixels, one point each; the owner scales the context for a fitted page.
#include <litehtml/litehtml.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/net/URL.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/Line.h"

namespace ui {

/// A `<video>` or `<audio>` element of the page.
struct HTMLMediaBox {
  std::string url;         // absolute address of the stream
  std::string posterURL;   // absolute, or empty
  bool isVideo = true;
  bool controls = false;
};

class HTMLDocumentContainer : public litehtml::document_container {
 public:
  struct Hooks {
    /// A picture the page needs (absolute address), asked for once per page.
    std::function<void(const std::string& url)> imageRequested;
    /// A tap reached a link; `url` is resolved against the base address.
    std::function<void(const std::string& url)> anchorClicked;
  };

  explicit HTMLDocumentContainer(Hooks hooks);
  virtual ~HTMLDocumentContainer() = default;

  void setBaseURL(Ref<fd::URL> url) { baseURL_ = std::move(url); }
  const Ref<fd::URL>& baseURL() const { return baseURL_; }
  /// The viewport the page's percentages and media queries see.
  void setViewport(int width, int height) { viewportWidth_ = width; viewportHeight_ = height; }
  /// `src` against `base` (the element's) or the page's base address; null when it forms none.
  Ref<fd::URL> resolve(const std::string& src, const char* base = nullptr) const;

  /// A picture arrived (null: it failed). Answers whether the page asked for it.
  bool setImage(const std::string& url, Ref<gfx::Image> image);
  /// Pictures asked for and not yet answered.
  size_t pendingImageCount() const;
  /// The media element whose stream is `url`, or null.
  const HTMLMediaBox* mediaBox(const std::string& url) const;
  const std::vector<HTMLMediaBox>& mediaBoxes() const { return media_; }

  // ---- the engine's side
  litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                 litehtml::font_style italic, unsigned int decoration,
                                 litehtml::font_metrics* fm) override;
  void delete_font(litehtml::uint_ptr hFont) override;
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) override;
  void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                 litehtml::web_color color, const litehtml::position& pos) override;
  int pt_to_px(int pt) const override;
  int get_default_font_size() const override { return 16; }
  const litehtml::tchar_t* get_default_font_name() const override { return "sans-serif"; }
  void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
  void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool redraw_on_ready) override;
  void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, litehtml::size& sz) override;
  void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override;
  void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders, const litehtml::position& draw_pos,
                    bool root) override;
  void set_caption(const litehtml::tchar_t* caption) override { title_ = caption ? caption : ""; }
  void set_base_url(const litehtml::tchar_t* base_url) override;
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr& el) override;
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override;
  void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) override;
  void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& radius, bool valid_x,
                bool valid_y) override;
  void del_clip() override;
  void get_client_rect(litehtml::position& client) const override;
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t* tag_name,
                                                    const litehtml::string_map& attributes,
                                                    const std::shared_ptr<litehtml::document>& doc) override;
  void get_media_features(litehtml::media_features& media) const override;
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;
  /// Breaks CJK text between every ideograph as well as at spaces.
  void split_text(const char* text, const std::function<void(const litehtml::tchar_t*)>& on_word,
                  const std::function<void(const litehtml::tchar_t*)>& on_space) override;

  const std::string& title() const { return title_; }

 private:
  struct FontEntry {
    Ref<typeset::Font> font;
    unsigned decoration = 0;
    int ascent = 0;
  };
  struct Picture {
    Ref<gfx::Image> image;
    bool answered = false;
  };
  const FontEntry* fontAt(litehtml::uint_ptr handle) const;
  /// The shaped text of `text` in a font, made once and kept for width and drawing.
  const Ref<typeset::Line>& lineFor(litehtml::uint_ptr hFont, const std::string& text);
  std::string absolute(const char* src, const char* base) const;
  /// Clips the context to the engine's clip stack.
  void applyClip(gfx::Context& ctx) const;
  void drawMediaBox(gfx::Context& ctx, const HTMLMediaBox& box, const litehtml::position& where);

  Hooks hooks_;
  Ref<fd::URL> baseURL_;
  int viewportWidth_ = 375, viewportHeight_ = 667;
  std::string title_;
  std::vector<FontEntry> fonts_;  // handle = index + 1
  std::unordered_map<std::string, Ref<typeset::Line>> lines_;  // key: handle, NUL, text
  std::map<std::string, Picture> pictures_;
  std::vector<HTMLMediaBox> media_;
  std::vector<litehtml::position> clips_;
};

}  // namespace ui
