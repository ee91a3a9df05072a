// Writes small samples into <dir>/<target>/ as the fuzzers' starting corpora: one image per
// format, an animated PNG, every image for the image coder's decoder, and documents for the
// text-format targets (their first byte picks the target's options; scripts/fuzz.sh adds the
// test fixtures).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/RubyAnnotation.h"
#include "tests/support/DeepTextArchive.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextHighlight.h"
#include "text/model/DRTextRunDelegate.h"

namespace {

Ref<gfx::BitmapImage> sample(uint32_t w, uint32_t h, uint32_t seed) {
  std::vector<uint32_t> px(size_t(w) * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t a = (x * 255 / w) | 0x40;
      uint32_t r = (x * 7 + seed) % a, g = (y * 11) % a, b = ((x ^ y) * 5) % a;
      px[size_t(y) * w + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  gfx::PixelFormat f;
  f.width = w;
  f.height = h;
  f.bytesPerRow = size_t(w) * 4;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::BitmapImage::createCopying(f, px.data());
}

void write(const std::filesystem::path& top, const char* target, const std::string& name, uint8_t selector,
           const void* bytes, size_t length) {
  std::filesystem::path dir = top / target;
  std::filesystem::create_directories(dir);
  std::ofstream out((dir / name).string(), std::ios::binary);
  out.put(char(selector));
  out.write(static_cast<const char*>(bytes), std::streamsize(length));
}

void write(const std::filesystem::path& top, const char* target, const std::string& name, uint8_t selector,
           std::string_view text) {
  write(top, target, name, selector, text.data(), text.size());
}

void writeRaw(const std::filesystem::path& top, const char* target, const std::string& name, const uint8_t* bytes,
              size_t length) {
  std::filesystem::path dir = top / target;
  std::filesystem::create_directories(dir);
  std::ofstream((dir / name).string(), std::ios::binary).write(reinterpret_cast<const char*>(bytes), std::streamsize(length));
}

uint32_t crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  put32(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(out, crc32(out.data() + start, out.size() - start));
}

/// The IDAT payloads of an encoded PNG, joined.
std::vector<uint8_t> imageData(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> data;
  for (size_t at = 8; at + 12 <= png.size();) {
    uint32_t length = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
    if (at + 12 + length > png.size()) break;
    if (std::equal(png.begin() + long(at) + 4, png.begin() + long(at) + 8, "IDAT"))
      data.insert(data.end(), png.begin() + long(at) + 8, png.begin() + long(at) + 8 + length);
    at += 12 + length;
  }
  return data;
}

/// A two-frame animated PNG: the frames are encoded as plain PNGs of the same size, the
/// first one's image data stays the default image, the second's goes into an fdAT chunk.
std::vector<uint8_t> animatedPNG(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second, uint32_t w,
                                 uint32_t h) {
  std::vector<uint8_t> out(first.begin(), first.begin() + 33);  // signature and IHDR
  std::vector<uint8_t> actl;
  put32(actl, 2);
  put32(actl, 0);
  putChunk(out, "acTL", actl);
  uint32_t sequence = 0;
  auto frameControl = [&] {
    std::vector<uint8_t> fctl;
    put32(fctl, sequence++);
    put32(fctl, w);
    put32(fctl, h);
    put32(fctl, 0);
    put32(fctl, 0);
    fctl.insert(fctl.end(), {0, 1, 0, 10, 1, 0});  // 1/10 s, dispose to background, source
    putChunk(out, "fcTL", fctl);
  };
  frameControl();
  putChunk(out, "IDAT", imageData(first));
  frameControl();
  std::vector<uint8_t> fdat;
  put32(fdat, sequence++);
  auto data = imageData(second);
  fdat.insert(fdat.end(), data.begin(), data.end());
  putChunk(out, "fdAT", fdat);
  putChunk(out, "IEND", {});
  return out;
}

// The text formats' starting documents.
void writeTextSeeds(const std::filesystem::path& top) {
  const char* json = R"({"status":200,"info":"ok","data":[{"id":"7","title":"\u4e2d\u6587","n":1.5e3,"on":true,"x":null}]})";
  write(top, "json", "object", 0, json);
  write(top, "json", "fragment", 4, "\"text\"");
  const char* xml = R"(<?xml version="1.0"?><!DOCTYPE r [<!ENTITY e "v">]><r xmlns:a="urn:a"><a:i k="1">&e;&amp;<![CDATA[c]]></a:i><!-- c --></r>)";
  write(top, "xml", "document", 1, xml);
  auto plist = fd::Dictionary::create({{fd::box(rt::String("a")), fd::Array::create({fd::box(int64_t(1)), fd::box(2.5), fd::box(true)})},
                                       {fd::box(rt::String("b")), fd::Data::create(std::string_view("bytes"))}});
  for (auto format : {fd::PropertyListXMLFormat, fd::PropertyListBinaryFormat}) {
    auto bytes = fd::PropertyListSerialization::dataWithPropertyList(plist, format, 0, nullptr);
    if (!bytes) continue;
    std::string name = format == fd::PropertyListXMLFormat ? "xml" : "binary";
    write(top, "plist", name, 0, bytes->bytes(), bytes->length());
    write(top, "response_serializers", "plist-" + name, 0x22, bytes->bytes(), bytes->length());
  }
  if (auto archive = fd::KeyedArchiver::archivedDataWithRootObject(plist, true, nullptr))
    write(top, "unarchiver", "dictionary", 1, archive->bytes(), archive->length());
  {
    auto rich = typeset::MutableAttributedString::create(u"ab\uFFFC\u6f22\u5b57");
    rich->addAttribute(typeset::CTForegroundColorAttributeName, gfx::Color::colorWithRed(1, 0, 0, 1), {0, 2});
    auto delegate = rt::make<text::DRTextRunDelegate>();
    delegate->setWidth(12);
    rich->addAttribute(typeset::CTRunDelegateAttributeName, delegate->CTRunDelegate(), {2, 1});
    rich->addAttribute(typeset::CTRubyAnnotationAttributeName, typeset::RubyAnnotation::create(u"kanji"), {3, 2});
    auto highlight = text::DRTextHighlight::highlightWithAttributes(nullptr);
    highlight->setBorder(text::DRTextBorder::borderWithFillColor(gfx::Color::colorWithWhite(0.5, 1), 2));
    rich->addAttribute("DRTextHighlight", highlight, {0, 5});
    rich->addAttribute("bitmap", sample(3, 2, 1), {1, 1});
    if (auto archive = text::DRTextArchiver::archivedDataWithRootObject(rich))
      for (uint8_t selector : {0, 3}) {
        std::string name = "rich-text-" + std::to_string(selector);
        write(top, "text_unarchiver", name, selector, archive->bytes(), archive->length());
      }
    // Highlights nested in each other's attribute archives: one just within the depth budget,
    // one far past it.
    for (auto [arrays, levels] : {std::pair{30u, 3u}, std::pair{990u, 7u}}) {
      if (auto archive = testsupport::deepHighlightArchive(arrays, levels)) {
        std::string name = "deep-highlights-" + std::to_string(arrays) + "x" + std::to_string(levels);
        write(top, "text_unarchiver", name, 3, archive->bytes(), archive->length());
      }
    }
  }
  write(top, "url", "absolute", 0, "http://user:pw@127.0.0.1:8080/api.php/App/list?id=3&page=1&q=%E4%B8%AD+x#top");
  write(top, "url", "relative", 0, "../x/./y;p?a=b&c#f");
  write(top, "strings_file", "text", 0, "/* c */ \"Error\" = \"\\U9519\\U8bef\";\nkey = value; // c\n\"lone\";\n");
  write(top, "string_format", "mixed", 3, "%d items, %llu, %.2f %s %@ %S %p %%, %1$d %05X %-8s");
  write(top, "response_serializers", "json", 0x00, json);
  write(top, "response_serializers", "xml", 0x11, xml);
  write(top, "response_serializers", "compound", 0x04, json);
  const char* markdown =
      "# Title\n\nSub\n---\n\n*em* _em_ **strong** ***both*** __under__ ~~gone~~ `code` ``two``\n"
      "\\*escaped\\* [link](http://a.b) ![image][ref]\n[r]: x\n\n- item\n1. first\n> quote\n\n* * *\n\n"
      "    let x = 1\n\tx += 2\n\nsmile :) [ok] done\r\n";
  write(top, "text_parsers", "markdown", 0x12, markdown);
  write(top, "text_parsers", "markdown-dark", 0x0c, markdown);
  std::u16string wide = u"## \u6f22\u5b57 *\U0001F600* :)\u2028> q\r\n\n    \xD800\n1\u0663. x";
  write(top, "text_parsers", "utf16", 0x23, wide.data(), wide.size() * 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
    return 2;
  }
  struct Kind {
    const char* dir;
    const char* type;
    uint32_t w, h;
    int frames;
  } kinds[] = {
      {"png", gfx::kUTTypePNG, 13, 7, 1},        {"jpeg", gfx::kUTTypeJPEG, 17, 9, 1},
      {"gif", gfx::kUTTypeGIF, 9, 6, 2},         {"webp", gfx::kUTTypeWebP, 11, 5, 2},
      {"bmp", gfx::kUTTypeBMP, 7, 3, 1},         {"ico", gfx::kUTTypeICO, 16, 16, 2},
      {"tiff", gfx::kUTTypeTIFF, 8, 8, 2},       {"jpeg2000", gfx::kUTTypeJPEG2000, 12, 10, 1},
      {"icns", gfx::kUTTypeAppleICNS, 16, 16, 1},
  };
  for (const auto& k : kinds) {
    auto out = fd::MutableData::create();
    auto dest = gfx::ImageDestination::createWithData(out, k.type, size_t(k.frames));
    for (int i = 0; i < k.frames; ++i) dest->addImage(sample(k.w, k.h, uint32_t(i * 40)));
    if (!dest->finalize()) {
      std::fprintf(stderr, "cannot encode %s\n", k.dir);
      return 1;
    }
    std::filesystem::path dir = std::filesystem::path(argv[1]) / k.dir;
    std::filesystem::create_directories(dir);
    std::ofstream((dir / "seed").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(out->bytes()), std::streamsize(out->length()));
    if (std::string(k.dir) == "png")
      write(argv[1], "response_serializers", "png", 0x33, out->bytes(), out->length());
    // The image coder's decoder reads every format.
    writeRaw(argv[1], "image_decoder", k.dir, out->bytes(), out->length());
  }
  // The APNG chunk scan is given the signature by its target: its seeds start after it.
  std::vector<Ref<fd::Data>> frames;
  for (uint32_t seed : {0u, 90u}) {
    auto out = fd::MutableData::create();
    auto dest = gfx::ImageDestination::createWithData(out, gfx::kUTTypePNG, 1);
    dest->addImage(sample(10, 6, seed));
    if (!dest->finalize()) {
      std::fprintf(stderr, "cannot encode png\n");
      return 1;
    }
    frames.push_back(out);
  }
  auto bytesOf = [](const Ref<fd::Data>& d) { return std::vector<uint8_t>(d->bytes(), d->bytes() + d->length()); };
  std::vector<uint8_t> apng = animatedPNG(bytesOf(frames[0]), bytesOf(frames[1]), 10, 6);
  std::vector<uint8_t> still = bytesOf(frames[0]);
  writeRaw(argv[1], "apng_chunks", "apng", apng.data() + 8, apng.size() - 8);
  writeRaw(argv[1], "apng_chunks", "png", still.data() + 8, still.size() - 8);
  writeRaw(argv[1], "image_decoder", "apng", apng.data(), apng.size());
  writeRaw(argv[1], "png", "apng", apng.data(), apng.size());
  writeTextSeeds(argv[1]);
  return 0;
}
