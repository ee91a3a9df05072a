#pragma once
// A context that draws like an image context and also logs every state change and paint
// call in order, so that drawing code can be checked by what it did.
#include <string>
#include <vector>

#include "platform/graphics/Context.h"

namespace gfx {

struct DrawCommand {
  std::string name;          // the call's name: "fillRect", "setFillColor", "saveGState"...
  std::vector<double> args;  // its numeric arguments (colours as r g b a)
  // Glyph calls ("showGlyphsAtPositions": args are size, mode and the text matrix a b c d
  // tx ty) and "setFont": the font's name; glyph calls also their glyphs and text positions.
  std::string font;
  std::vector<uint16_t> glyphs;
  std::vector<Point> positions;
  /// "fillRect 0 0 10 10"
  std::string text() const;
};

class RecordingContext : public Context {
  RT_CLASS(RecordingContext, Context)
 public:
  /// A y-down context of `size` points at `scale`, like an image context.
  static Ref<RecordingContext> create(Size size, double scale = 1);

  const std::vector<DrawCommand>& commands() const { return commands_; }
  /// The names alone, in order.
  std::vector<std::string> names() const;
  /// How many commands have this name.
  size_t count(const std::string& name) const;
  void clearCommands() { commands_.clear(); }

 protected:
  void note(const char* name, std::initializer_list<double> args) override;
  void noteGlyphs(const char* name, std::initializer_list<double> args, const std::string& font,
                  const uint16_t* glyphs, const Point* positions, size_t count) override;

 private:
  std::vector<DrawCommand> commands_;
};

}  // namespace gfx
