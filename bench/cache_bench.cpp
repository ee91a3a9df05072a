// The caches against their plain baselines, in one run: the key-value storage against a raw
// prepared-statement SQLite loop (same table, WAL, synchronous normal), the memory cache against
// an unordered_map with a std::list LRU, the disk cache against plain files written with rename.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <list>
#include <map>
#include <unordered_map>

#include "cache/DRDiskCache.h"
#include "cache/DRKVStorage.h"
#include "cache/DRMemoryCache.h"
#include "platform/foundation/text/StringObject.h"
#include "bench/RatioReporter.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSmall = 10000;
fs::path scratch(const std::string& name) {
  auto p = fs::temp_directory_path() / ("kd-cache-bench-" + std::to_string(::getpid())) / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}
std::string key(int i) { return "key-" + std::to_string(i); }

void BM_KVStorageWriteRead(benchmark::State& state) {
  auto value = fd::Data::create(std::string(100, 'v'));
  std::vector<rt::String> keys;
  for (int i = 0; i < kSmall; ++i) keys.emplace_back(key(i));
  for (auto _ : state) {
    state.PauseTiming();
    auto kv = cache::DRKVStorage::storageWithPath(rt::String(scratch("kv").string()), cache::DRKVDatabaseOnly);
    state.ResumeTiming();
    for (auto& k : keys) kv->saveItem(k, value);
    for (auto& k : keys) benchmark::DoNotOptimize(kv->getItemValueForKey(k));
  }
  state.SetItemsProcessed(state.iterations() * kSmall * 2);
}

void BM_RawSQLiteWriteRead(benchmark::State& state) {
  std::string value(100, 'v');
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = scratch("raw");
    sqlite3* db;
    sqlite3_open((dir / "manifest.sqlite").c_str(), &db);
    sqlite3_exec(db,
                 "pragma journal_mode = wal; pragma synchronous = normal; create table if not exists manifest (key "
                 "text, filename text, size integer, inline_data blob, modification_time integer, last_access_time "
                 "integer, extended_data blob, primary key(key)); create index if not exists last_access_time_idx on "
                 "manifest(last_access_time);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *insert, *select, *touch;
    sqlite3_prepare_v2(db, "insert or replace into manifest (key, filename, size, inline_data, modification_time, "
                           "last_access_time, extended_data) values (?1, ?2, ?3, ?4, ?5, ?6, ?7);", -1, &insert, nullptr);
    sqlite3_prepare_v2(db, "select inline_data from manifest where key = ?1;", -1, &select, nullptr);
    sqlite3_prepare_v2(db, "update manifest set last_access_time = ?1 where key = ?2;", -1, &touch, nullptr);
    state.ResumeTiming();
    for (int i = 0; i < kSmall; ++i) {
      std::string k = key(i);
      sqlite3_reset(insert);
      sqlite3_bind_text(insert, 1, k.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_null(insert, 2);
      sqlite3_bind_int64(insert, 3, 100);
      sqlite3_bind_blob(insert, 4, value.data(), 100, SQLITE_TRANSIENT);
      sqlite3_bind_int64(insert, 5, ::time(nullptr));
      sqlite3_bind_int64(insert, 6, ::time(nullptr));
      sqlite3_bind_null(insert, 7);
      sqlite3_step(insert);
    }
    for (int i = 0; i < kSmall; ++i) {
      std::string k = key(i);
      sqlite3_reset(select);
      sqlite3_bind_text(select, 1, k.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(select) == SQLITE_ROW) {
        std::string copy(static_cast<const char*>(sqlite3_column_blob(select, 0)), sqlite3_column_bytes(select, 0));
        benchmark::DoNotOptimize(copy);
      }
      sqlite3_reset(select);
      sqlite3_reset(touch);
      sqlite3_bind_int64(touch, 1, ::time(nullptr));
      sqlite3_bind_text(touch, 2, k.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(touch);
    }
    state.PauseTiming();
    sqlite3_finalize(insert);
    sqlite3_finalize(select);
    sqlite3_finalize(touch);
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kSmall * 2);
}

constexpr int kMemoryKeys = 20000, kMemoryLimit = 10000;

void BM_MemoryCacheGetSet(benchmark::State& state) {
  auto cache = rt::make<cache::DRMemoryCache>();
  cache->countLimit = kMemoryLimit;
  cache->setReleaseAsynchronously(false);
  std::vector<rt::String> keys;
  for (int i = 0; i < kMemoryKeys; ++i) keys.emplace_back(key(i));
  rt::Id value = fd::StringObject::create("v");
  size_t i = 0;
  for (auto _ : state) {
    const rt::String& k = keys[(i * 7919) % kMemoryKeys];
    if (!cache->objectForKey(k)) cache->setObject(value, k);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}

// The baseline: the same get and set operations, each behind one mutex, on a map and a list.
class PlainLRU {
 public:
  explicit PlainLRU(size_t limit) : limit_(limit) {}
  rt::Id get(const rt::String& key) {
    std::lock_guard guard(lock_);
    auto it = map_.find(key);
    if (it == map_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second);
    return it->second->second;
  }
  void set(const rt::String& key, rt::Id value) {
    std::lock_guard guard(lock_);
    order_.emplace_front(key, std::move(value));
    map_[key] = order_.begin();
    if (map_.size() > limit_) {
      map_.erase(order_.back().first);
      order_.pop_back();
    }
  }

 private:
  size_t limit_;
  std::mutex lock_;
  std::list<std::pair<rt::String, rt::Id>> order_;
  std::unordered_map<rt::String, std::list<std::pair<rt::String, rt::Id>>::iterator> map_;
};

void BM_PlainLRUGetSet(benchmark::State& state) {
  PlainLRU lru(kMemoryLimit);
  std::vector<rt::String> keys;
  for (int i = 0; i < kMemoryKeys; ++i) keys.emplace_back(key(i));
  rt::Id value = fd::StringObject::create("v");
  size_t i = 0;
  for (auto _ : state) {
    const rt::String& k = keys[(i * 7919) % kMemoryKeys];
    if (!lru.get(k)) lru.set(k, value);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}

constexpr int kDiskValues = 2000;
std::vector<Ref<fd::Data>>& diskValues() {
  static std::vector<Ref<fd::Data>> values = [] {
    std::vector<Ref<fd::Data>> v;
    for (int i = 0; i < kDiskValues; ++i) v.push_back(fd::Data::create(std::string(10240 + (i * 7919) % (190 * 1024), 'd')));
    return v;
  }();
  return values;
}

void BM_DiskCacheWriteRead(benchmark::State& state) {
  auto& values = diskValues();
  for (auto _ : state) {
    state.PauseTiming();
    auto cache = cache::DRDiskCache::cacheWithPath(rt::String(scratch("disk").string()));
    cache->setCustomArchiveBlock([](const rt::Id& o) { return rt::as<fd::Data>(o); });
    cache->setCustomUnarchiveBlock([](const Ref<fd::Data>& d) -> rt::Id { return d; });
    state.ResumeTiming();
    for (int i = 0; i < kDiskValues; ++i) cache->setObject(values[i], rt::String(key(i)));
    for (int i = 0; i < kDiskValues; ++i) benchmark::DoNotOptimize(cache->objectForKey(rt::String(key(i))));
  }
  state.SetItemsProcessed(state.iterations() * kDiskValues * 2);
}

void BM_PlainFilesWriteRead(benchmark::State& state) {
  auto& values = diskValues();
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = scratch("files");
    state.ResumeTiming();
    for (int i = 0; i < kDiskValues; ++i) {
      std::string tempName = ".";
      tempName += key(i);
      tempName += ".tmp";
      auto target = dir / key(i), temp = dir / tempName;
      int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      benchmark::DoNotOptimize(::write(fd, values[i]->view().data(), values[i]->length()));
      ::close(fd);
      ::rename(temp.c_str(), target.c_str());
    }
    for (int i = 0; i < kDiskValues; ++i) {
      std::ifstream in(dir / key(i), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      benchmark::DoNotOptimize(bytes);
    }
  }
  state.SetItemsProcessed(state.iterations() * kDiskValues * 2);
}

BENCHMARK(BM_KVStorageWriteRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawSQLiteWriteRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryCacheGetSet);
BENCHMARK(BM_PlainLRUGetSet);
BENCHMARK(BM_DiskCacheWriteRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFilesWriteRead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter r;
  benchmark::RunSpecifiedBenchmarks(&r);
  auto speed = [&](const char* mine, const char* base) {
    double a = r.realSecondsFor(mine), b = r.realSecondsFor(base);
    return a > 0 && b > 0 ? b / a : 0;
  };
  std::printf("key-value storage speed / raw SQLite = %.2f\n", speed("BM_KVStorageWriteRead", "BM_RawSQLiteWriteRead"));
  std::printf("memory cache speed / plain LRU = %.2f\n", speed("BM_MemoryCacheGetSet", "BM_PlainLRUGetSet"));
  if (double d = r.realSecondsFor("BM_DiskCacheWriteRead"), f = r.realSecondsFor("BM_PlainFilesWriteRead"); d > 0 && f > 0)
    std::printf("disk cache %.0f ops/s, plain files %.0f ops/s (2,000 values of 10-200 KB written and read)\n",
                2 * kDiskValues / d, 2 * kDiskValues / f);
  fs::remove_all(fs::temp_directory_path() / ("kd-cache-bench-" + std::to_string(::getpid())));
  benchmark::Shutdown();
  return 0;
}
