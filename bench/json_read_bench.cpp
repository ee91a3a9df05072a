// Reading a 1 MB content-service answer: into the platform's dynamic values, against a
// baseline that parses the same bytes with simdjson into a plain C++ tree.
#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <cstring>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "bench/data/ContentDocument.h"
#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/JSONSerialization.h"

namespace {

const std::string& document() {
  static const std::string doc = bench_data::contentDocument(1 << 20);
  return doc;
}

// ---------------------------------------------------------------------------------------
// The baseline tree: what a program without dynamic values would build.

struct Node;
using NodeArray = std::vector<Node>;
using NodeObject = std::unordered_map<std::u16string, Node>;
struct Node {
  std::variant<std::nullptr_t, bool, int64_t, uint64_t, double, std::u16string, NodeArray, NodeObject> value;
};

// The same UTF-8 to UTF-16 conversion the reader uses: exact length first, then an
// eight-bytes-at-a-time ASCII path.
std::u16string toU16(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size();
  size_t units = 0;
  for (size_t i = 0; i < n; ++i) {
    units += (s[i] & 0xC0) != 0x80;
    units += s[i] >= 0xF0;
  }
  std::u16string result(units, u'\0');
  char16_t* out = result.data();
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, s + i, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        for (int k = 0; k < 8; ++k) *out++ = s[i + k];
        i += 8;
        continue;
      }
    }
    unsigned c = s[i];
    if (c < 0x80) {
      *out++ = static_cast<char16_t>(c);
      i += 1;
    } else if (c < 0xE0) {
      *out++ = static_cast<char16_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F));
      i += 2;
    } else if (c < 0xF0) {
      *out++ = static_cast<char16_t>(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
      i += 3;
    } else {
      uint32_t cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
      cp -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      i += 4;
    }
  }
  return result;
}

Node toNode(simdjson::dom::element e) {
  using simdjson::dom::element_type;
  switch (e.type()) {
    case element_type::OBJECT: {
      simdjson::dom::object object = e.get_object().value_unsafe();
      NodeObject out;
      out.reserve(object.size());
      for (auto field : object) out.insert_or_assign(toU16(field.key), toNode(field.value));
      return Node{std::move(out)};
    }
    case element_type::ARRAY: {
      simdjson::dom::array array = e.get_array().value_unsafe();
      NodeArray out;
      out.reserve(array.size());
      for (auto element : array) out.push_back(toNode(element));
      return Node{std::move(out)};
    }
    case element_type::STRING: return Node{toU16(e.get_string().value_unsafe())};
    case element_type::INT64: return Node{e.get_int64().value_unsafe()};
    case element_type::UINT64: return Node{e.get_uint64().value_unsafe()};
    case element_type::DOUBLE: return Node{e.get_double().value_unsafe()};
    case element_type::BOOL: return Node{e.get_bool().value_unsafe()};
    case element_type::NULL_VALUE: return Node{nullptr};
  }
  return Node{nullptr};
}

void BM_BaselinePlainTree(benchmark::State& state) {
  const std::string& doc = document();
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element root;
    if (parser.parse(doc.data(), doc.size(), true).get(root) != simdjson::SUCCESS) {
      state.SkipWithError("baseline parse failed");
      break;
    }
    Node tree = toNode(root);
    benchmark::DoNotOptimize(tree);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}

void BM_DynamicValues(benchmark::State& state) {
  const std::string& doc = document();
  Ref<fd::Data> data = fd::Data::create(std::string_view(doc));
  for (auto _ : state) {
    Ref<fd::Error> error;
    rt::Id root = fd::JSONSerialization::JSONObjectWithData(data, 0, &error);
    if (!root) {
      state.SkipWithError("dynamic parse failed");
      break;
    }
    benchmark::DoNotOptimize(root);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}

}  // namespace

BENCHMARK(BM_BaselinePlainTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DynamicValues)->Unit(benchmark::kMillisecond);
