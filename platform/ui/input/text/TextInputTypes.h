#pragma once
// The small values text input speaks in: writing and layout directions, storage directions
// (which double as a position's affinity) and the units a tokenizer moves by. The numbers are
// the platform's, so that values read from archives and scripts keep their meaning.
#include <cstdint>

namespace ui {

enum class WritingDirection : int64_t { Natural = -1, LeftToRight = 0, RightToLeft = 1 };

/// Which way a position moves in the laid-out text.
enum class TextLayoutDirection : int64_t { Right = 2, Left = 3, Up = 4, Down = 5 };

/// Which way a position moves in the stored text. As an affinity: backward is the place at
/// the end of the earlier line where one offset stands for two screen places.
enum class TextStorageDirection : int64_t { Forward = 0, Backward = 1 };
using TextAffinity = TextStorageDirection;

/// Either kind of direction, as the text-input calls take them: 0 and 1 are storage
/// directions, 2 to 5 layout directions.
using TextDirection = int64_t;
constexpr TextDirection textDirection(TextStorageDirection d) { return static_cast<int64_t>(d); }
constexpr TextDirection textDirection(TextLayoutDirection d) { return static_cast<int64_t>(d); }

enum class TextGranularity : int64_t {
  Character = 0,
  Word = 1,
  Sentence = 2,
  Paragraph = 3,
  Line = 4,
  Document = 5,
};

}  // namespace ui
