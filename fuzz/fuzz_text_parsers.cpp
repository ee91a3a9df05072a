// The markdown and emoticon parsers over arbitrary text. The markdown scanners must find what
// the patterns they follow find, the markdown parser must keep every character, and the
// emoticon parser must leave a text whose plain form (keys behind the pictures) is the input,
// with the selection inside it.
#include <vector>

#include "fuzz/FuzzInput.h"
#include "platform/foundation/text/RegularExpression.h"
#include "platform/graphics/ImageContext.h"
#include "text/model/AttributedString+DRText.h"
#include "text/parsers/DRTextMarkdownScanner.h"
#include "text/parsers/DRTextSimpleEmoticonParser.h"
#include "text/parsers/DRTextSimpleMarkdownParser.h"

namespace {

Ref<gfx::Image> picture() {
  gfx::beginImageContextWithOptions({2, 2}, false, 1);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

void compareWithPatterns(const rt::String& text) {
  static const std::vector<Ref<fd::RegularExpression>> regexes = [] {
    std::vector<Ref<fd::RegularExpression>> out;
    for (size_t k = 0; k < text::DRTextMarkdownConstructCount; k++) {
      bool lines = false;
      const char16_t* pattern = text::DRTextMarkdownScanner::pattern(static_cast<text::DRTextMarkdownConstruct>(k), &lines);
      out.push_back(fd::RegularExpression::create(rt::String(pattern), lines ? fd::RegularExpressionAnchorsMatchLines : 0));
    }
    return out;
  }();
  text::DRTextMarkdownScanner scanner(text.data(), text.length());
  for (size_t k = 0; k < regexes.size(); k++) {
    auto got = scanner.matches(static_cast<text::DRTextMarkdownConstruct>(k));
    auto expected = regexes[k]->matchesInString(text);
    if (got.size() != expected.size()) __builtin_trap();
    for (size_t i = 0; i < got.size(); i++) {
      rt::Range r = expected[i]->range();
      if (got[i].location != r.location || got[i].length != r.length) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  // Bit 0: the rest is UTF-16 (lone surrogates and all) rather than UTF-8. Bit 1: compare the
  // scanners with the patterns (backtracking: short texts only). Bit 2: the dark theme. The
  // higher bits place the selection.
  rt::String plain = (in.selector & 1) ? rt::String(reinterpret_cast<const char16_t*>(in.bytes), in.size / 2)
                                       : rt::String(in.text());
  if ((in.selector & 2) && plain.length() <= 512) compareWithPatterns(plain);

  static const Ref<text::DRTextSimpleMarkdownParser> bright = rt::make<text::DRTextSimpleMarkdownParser>();
  static const Ref<text::DRTextSimpleMarkdownParser> dark = [] {
    auto p = rt::make<text::DRTextSimpleMarkdownParser>();
    p->setColorWithDarkTheme();
    return p;
  }();
  auto styled = typeset::MutableAttributedString::create(plain);
  bool changed = ((in.selector & 4) ? dark : bright)->parseText(*styled, nullptr);
  if (changed != (plain.length() > 0) || !(styled->string() == plain)) __builtin_trap();

  static const Ref<text::DRTextSimpleEmoticonParser> emoticons = [] {
    auto p = rt::make<text::DRTextSimpleEmoticonParser>();
    auto image = picture();
    p->setEmoticonMapper({{rt::String(":)"), image}, {rt::String("[ok]"), image}, {rt::String(":"), nullptr},
                          {rt::String("*"), image}, {rt::String("\\"), image}});
    return p;
  }();
  size_t location = std::min<size_t>(in.selector >> 3, plain.length());
  rt::Range selection{location, (plain.length() - location) / 2};
  emoticons->parseText(*styled, &selection);
  if (selection.location + selection.length > styled->length()) __builtin_trap();
  auto back = text::plainTextForRange(*styled, rt::Range{0, styled->length()});
  if (styled->length() > 0 && (!back || !(*back == plain))) __builtin_trap();
  return 0;
}
