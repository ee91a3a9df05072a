// Byte-buffer additions against the libraries they stand on, on the same 1 MB input.
#include <benchmark/benchmark.h>
#include <nettle/md5.h>
#include <nettle/sha2.h>
#include <zlib.h>

#include <random>
#include <string>

#include "base/foundation/Data+DUDer.h"

namespace {

const Ref<fd::Data>& randomMB() {
  static const Ref<fd::Data> d = [] {
    std::vector<uint8_t> v(1 << 20);
    std::mt19937 rng(1);
    for (auto& b : v) b = uint8_t(rng());
    return fd::Data::create(std::move(v));
  }();
  return d;
}

const Ref<fd::Data>& textMB() {
  static const Ref<fd::Data> d = [] {
    std::string s;
    std::mt19937 rng(2);
    const char* words[] = {"district ", "news ", "council ", "market ", "the ", "of ", "and ", "river ", "school\n"};
    while (s.size() < (1u << 20)) s += words[rng() % 9];
    s.resize(1 << 20);
    return fd::Data::create(s);
  }();
  return d;
}

void BM_MD5_Addition(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(base::md5String(*randomMB()));
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}
void BM_MD5_Nettle(benchmark::State& st) {
  for (auto _ : st) {
    md5_ctx c;
    uint8_t out[MD5_DIGEST_SIZE];
    md5_init(&c);
    md5_update(&c, randomMB()->length(), randomMB()->bytes());
    md5_digest(&c, sizeof out, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}

void BM_SHA256_Addition(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(base::sha256String(*randomMB()));
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}
void BM_SHA256_Nettle(benchmark::State& st) {
  for (auto _ : st) {
    sha256_ctx c;
    uint8_t out[SHA256_DIGEST_SIZE];
    sha256_init(&c);
    sha256_update(&c, randomMB()->length(), randomMB()->bytes());
    sha256_digest(&c, sizeof out, out);
    benchmark::DoNotOptimize(out);
  }
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}

void BM_CRC32_Addition(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(base::crc32(*randomMB()));
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}
void BM_CRC32_Zlib(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(::crc32(0, randomMB()->bytes(), uInt(randomMB()->length())));
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}

void BM_Base64_Addition(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(base::base64EncodedString(*randomMB()));
  st.SetBytesProcessed(st.iterations() * randomMB()->length());
}
// The plain loop: a table lookup per six bits into a byte string.
void BM_Base64_PlainLoop(benchmark::State& st) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const uint8_t* in = randomMB()->bytes();
  size_t n = randomMB()->length();
  for (auto _ : st) {
    std::string out((n + 2) / 3 * 4, '=');
    size_t o = 0, i = 0;
    for (; i + 3 <= n; i += 3) {
      uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
      out[o++] = table[v >> 18];
      out[o++] = table[(v >> 12) & 63];
      out[o++] = table[(v >> 6) & 63];
      out[o++] = table[v & 63];
    }
    if (i < n) {
      uint32_t v = uint32_t(in[i]) << 16 | (i + 1 < n ? uint32_t(in[i + 1]) << 8 : 0);
      out[o++] = table[v >> 18];
      out[o++] = table[(v >> 12) & 63];
      if (i + 1 < n) out[o] = table[(v >> 6) & 63];
    }
    benchmark::DoNotOptimize(out);
  }
  st.SetBytesProcessed(st.iterations() * n);
}

void BM_Gzip_Addition(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(base::gzipDeflate(*textMB()));
  st.SetBytesProcessed(st.iterations() * textMB()->length());
}
void BM_Gzip_Zlib(benchmark::State& st) {
  for (auto _ : st) {
    z_stream s{};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&s, textMB()->length()));
    s.next_in = const_cast<Bytef*>(textMB()->bytes());
    s.avail_in = uInt(textMB()->length());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    benchmark::DoNotOptimize(out);
  }
  st.SetBytesProcessed(st.iterations() * textMB()->length());
}

BENCHMARK(BM_MD5_Addition);
BENCHMARK(BM_MD5_Nettle);
BENCHMARK(BM_SHA256_Addition);
BENCHMARK(BM_SHA256_Nettle);
BENCHMARK(BM_CRC32_Addition);
BENCHMARK(BM_CRC32_Zlib);
BENCHMARK(BM_Base64_Addition);
BENCHMARK(BM_Base64_PlainLoop);
BENCHMARK(BM_Gzip_Addition);
BENCHMARK(BM_Gzip_Zlib);

}  // namespace
