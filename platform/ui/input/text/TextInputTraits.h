#pragma once
// How a responder that takes text wants its keyboard: the kind of keys, the return key's
// title, capitalisation, correction, secure entry and looks. Plain values with the platform's
// numbers; the keyboard and the window host read them when input starts.
#include <cstdint>

namespace ui {

enum class KeyboardType : int64_t {
  Default = 0,
  ASCIICapable = 1,
  NumbersAndPunctuation = 2,
  URL = 3,
  NumberPad = 4,
  PhonePad = 5,
  NamePhonePad = 6,
  EmailAddress = 7,
  DecimalPad = 8,
  Twitter = 9,
  WebSearch = 10,
};

enum class ReturnKeyType : int64_t {
  Default = 0,
  Go = 1,
  Google = 2,
  Join = 3,
  Next = 4,
  Route = 5,
  Search = 6,
  Send = 7,
  Yahoo = 8,
  Done = 9,
  EmergencyCall = 10,
  Continue = 11,
};

enum class TextAutocapitalizationType : int64_t { None = 0, Words = 1, Sentences = 2, AllCharacters = 3 };
enum class TextAutocorrectionType : int64_t { Default = 0, No = 1, Yes = 2 };
enum class TextSpellCheckingType : int64_t { Default = 0, No = 1, Yes = 2 };
enum class KeyboardAppearance : int64_t { Default = 0, Dark = 1, Light = 2 };

struct TextInputTraits {
  KeyboardType keyboardType = KeyboardType::Default;
  ReturnKeyType returnKeyType = ReturnKeyType::Default;
  TextAutocapitalizationType autocapitalizationType = TextAutocapitalizationType::Sentences;
  TextAutocorrectionType autocorrectionType = TextAutocorrectionType::Default;
  TextSpellCheckingType spellCheckingType = TextSpellCheckingType::Default;
  KeyboardAppearance keyboardAppearance = KeyboardAppearance::Default;
  bool enablesReturnKeyAutomatically = false;
  bool secureTextEntry = false;
};

/// The title the on-screen keyboard shows on its return key.
const char* returnKeyTitle(ReturnKeyType type);

}  // namespace ui
