// The platform's plain arrays and dictionaries on their everyday paths (filling, indexing,
// walking, looking up, describing) against a std::vector and a std::unordered_map of the same
// objects, so that what a container operation costs over the bare standard container shows.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"

namespace {

constexpr int kCount = 1000;

std::vector<rt::Id> numbers() {
  std::vector<rt::Id> out;
  for (int i = 0; i < kCount; ++i) out.push_back(fd::Number::numberWithInt(i));
  return out;
}

void BM_ArrayAddObject(benchmark::State& state) {
  const auto items = numbers();
  for (auto _ : state) {
    auto a = fd::MutableArray::create();
    for (const auto& o : items) a->addObject(o);
    benchmark::DoNotOptimize(a->count());
  }
}

void BM_VectorPushBack(benchmark::State& state) {
  const auto items = numbers();
  for (auto _ : state) {
    std::vector<rt::Id> v;
    for (const auto& o : items) v.push_back(o);
    benchmark::DoNotOptimize(v.size());
  }
}

void BM_ArrayObjectAtIndex(benchmark::State& state) {
  auto a = fd::Array::create(numbers());
  for (auto _ : state) {
    const rt::Object* last = nullptr;
    for (size_t i = 0; i < a->count(); ++i) last = a->objectAtIndex(i).get();
    benchmark::DoNotOptimize(last);
  }
}

void BM_ArrayIteration(benchmark::State& state) {
  auto a = fd::Array::create(numbers());
  for (auto _ : state) {
    const rt::Object* last = nullptr;
    for (const rt::Id& o : *a) last = o.get();
    benchmark::DoNotOptimize(last);
  }
}

void BM_VectorIndex(benchmark::State& state) {
  const auto v = numbers();
  for (auto _ : state) {
    const rt::Object* last = nullptr;
    for (size_t i = 0; i < v.size(); ++i) last = v[i].get();
    benchmark::DoNotOptimize(last);
  }
}

void BM_ArrayContainsObject(benchmark::State& state) {
  auto a = fd::Array::create(numbers());
  auto probe = fd::Number::numberWithInt(kCount / 2);
  for (auto _ : state) benchmark::DoNotOptimize(a->containsObject(probe));
}

void BM_ArrayDescription(benchmark::State& state) {
  auto a = fd::Array::create(numbers());
  for (auto _ : state) benchmark::DoNotOptimize(a->description().length());
}

std::vector<rt::String> keys() {
  std::vector<rt::String> out;
  for (int i = 0; i < kCount; ++i) out.push_back(rt::String("key" + std::to_string(i)));
  return out;
}

void BM_DictionarySetObjectForKey(benchmark::State& state) {
  const auto k = keys();
  const auto v = numbers();
  for (auto _ : state) {
    auto d = fd::MutableDictionary::create();
    for (int i = 0; i < kCount; ++i) d->setObjectForKey(v[i], k[i]);
    benchmark::DoNotOptimize(d->count());
  }
}

void BM_DictionaryObjectForKey(benchmark::State& state) {
  const auto k = keys();
  const auto v = numbers();
  auto d = fd::MutableDictionary::create();
  for (int i = 0; i < kCount; ++i) d->setObjectForKey(v[i], k[i]);
  for (auto _ : state) {
    const rt::Object* last = nullptr;
    for (const auto& key : k) last = d->objectForKey(key).get();
    benchmark::DoNotOptimize(last);
  }
}

void BM_UnorderedMapFind(benchmark::State& state) {
  const auto k = keys();
  const auto v = numbers();
  std::unordered_map<std::u16string, rt::Id> m;
  for (int i = 0; i < kCount; ++i) m.emplace(std::u16string(k[i].view()), v[i]);
  std::vector<std::u16string> probes;
  for (const auto& key : k) probes.emplace_back(key.view());
  for (auto _ : state) {
    const rt::Object* last = nullptr;
    for (const auto& key : probes) last = m.find(key)->second.get();
    benchmark::DoNotOptimize(last);
  }
}

void BM_DictionaryWalkKeys(benchmark::State& state) {
  const auto k = keys();
  const auto v = numbers();
  auto d = fd::MutableDictionary::create();
  for (int i = 0; i < kCount; ++i) d->setObjectForKey(v[i], k[i]);
  for (auto _ : state) {
    size_t n = 0;
    for (size_t i = 0; i < d->count(); ++i) n += d->keys()[i] ? 1 : 0;
    benchmark::DoNotOptimize(n);
  }
}

}  // namespace

BENCHMARK(BM_ArrayAddObject);
BENCHMARK(BM_VectorPushBack);
BENCHMARK(BM_ArrayObjectAtIndex);
BENCHMARK(BM_ArrayIteration);
BENCHMARK(BM_VectorIndex);
BENCHMARK(BM_ArrayContainsObject);
BENCHMARK(BM_ArrayDescription);
BENCHMARK(BM_DictionarySetObjectForKey);
BENCHMARK(BM_DictionaryObjectForKey);
BENCHMARK(BM_UnorderedMapFind);
BENCHMARK(BM_DictionaryWalkKeys);
