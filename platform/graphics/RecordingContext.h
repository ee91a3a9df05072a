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

 private:
  std::vector<DrawCommand> commands_;
};

}  // namespace gfx
