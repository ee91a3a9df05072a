// Multipart bodies read straight from their stream: the wire form, part kinds, partial reads,
// throttling, copies, file parts and their errors, and parts whose length is wrong.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "net/http/NKHTTPBodyPart.h"
#include "net/http/NKMultipartBodyStream.h"
#include "net/http/NKNetworkingErrors.h"
#include "net/http/NKStreamingMultipartFormData.h"
#include "net/http/NKURLRequestSerialization.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

using namespace net;
using fd::String;

namespace {

namespace fs = std::filesystem;

const char* const kBoundary = "Boundary+0123456789ABCDEF";

struct WirePart {
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

// The body as the wire form prescribes it: "--B" CRLF, headers, CRLF, body, and between parts
// CRLF "--B" CRLF; at the end CRLF "--B--" CRLF.
std::string wire(const std::string& boundary, const std::vector<WirePart>& parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    out += (i == 0 ? "--" : "\r\n--") + boundary + "\r\n";
    for (const auto& [name, value] : parts[i].headers) out += name + ": " + value + "\r\n";
    out += "\r\n" + parts[i].body;
  }
  if (!parts.empty()) out += "\r\n--" + boundary + "--\r\n";
  return out;
}

WirePart formPart(const std::string& name, const std::string& body) {
  return {{{"Content-Disposition", "form-data; name=\"" + name + "\""}}, body};
}

WirePart filePart(const std::string& name, const std::string& file, const std::string& type, const std::string& body) {
  return {{{"Content-Disposition", "form-data; name=\"" + name + "\"; filename=\"" + file + "\""},
           {"Content-Type", type}},
          body};
}

// Reads the stream to its end (opening it when needed) in reads of `chunk` bytes.
std::string drain(const Ref<fd::InputStream>& stream, size_t chunk = 4096, int64_t* failure = nullptr) {
  if (stream->streamStatus() == fd::StreamStatus::NotOpen) stream->open();
  std::string out;
  std::vector<uint8_t> buffer(chunk);
  for (;;) {
    int64_t n = stream->read(buffer.data(), buffer.size());
    if (n < 0 && failure) *failure = n;
    if (n <= 0) break;
    out.append(reinterpret_cast<const char*>(buffer.data()), size_t(n));
  }
  return out;
}

// "Boundary+" and 16 upper-case hexadecimal digits.
bool isBoundary(const std::string& s) {
  const std::string prefix = "Boundary+";
  if (s.size() != prefix.size() + 16 || s.rfind(prefix, 0) != 0) return false;
  for (size_t i = prefix.size(); i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i])) && (s[i] < 'A' || s[i] > 'F')) return false;
  }
  return true;
}

Ref<fd::Data> bytes(const std::string& s) { return fd::Data::create(s); }

Ref<NKStreamingMultipartFormData> builder() {
  auto request = fd::MutableURLRequest::requestWithURL(fd::URL::URLWithString("http://a.test/upload"));
  request->setHTTPMethod("POST");
  return rt::make<NKStreamingMultipartFormData>(request, fd::UTF8StringEncoding, String(kBoundary));
}

class TempDir {
 public:
  TempDir() : path_(fs::temp_directory_path() / ("nk-multipart-" + std::to_string(::getpid()) + "-" + std::to_string(++count_))) {
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path file(const std::string& name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
    return path_ / name;
  }
  const fs::path& path() const { return path_; }

 private:
  static inline int count_ = 0;
  fs::path path_;
};

Ref<fd::URL> fileURL(const fs::path& p) { return fd::URL::fileURLWithPath(String(p.string())); }

}  // namespace

TEST(MultipartBody, NoPartsLeavesTheRequestAlone) {
  auto form = builder();
  auto request = form->requestByFinalizingMultipartFormData();
  EXPECT_FALSE(request->HTTPBodyStream());
  EXPECT_FALSE(request->HTTPBody());
  EXPECT_FALSE(request->valueForHTTPHeaderField("Content-Type"));
  EXPECT_FALSE(request->valueForHTTPHeaderField("Content-Length"));
}

TEST(MultipartBody, OneFormPartWireForm) {
  auto form = builder();
  form->appendPartWithFormData(bytes("1"), "a");
  auto request = form->requestByFinalizingMultipartFormData();
  const std::string expected = std::string("--") + kBoundary +
                               "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--" + kBoundary + "--\r\n";
  EXPECT_EQ(request->valueForHTTPHeaderField("Content-Type"), String("multipart/form-data; boundary=") + kBoundary);
  EXPECT_EQ(request->valueForHTTPHeaderField("Content-Length"), String(std::to_string(expected.size())));
  ASSERT_TRUE(request->HTTPBodyStream());
  EXPECT_EQ(drain(request->HTTPBodyStream()), expected);
}

TEST(MultipartBody, EveryKindOfPartInOrder) {
  TempDir dir;
  auto png = dir.file("photo.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(5000, 'p'));
  std::ifstream in(png, std::ios::binary);
  std::string pngBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string expected = wire(kBoundary, {formPart("field", "v"), filePart("doc", "a.txt", "text/plain", "file-bytes"),
                                                filePart("s", "s.bin", "application/x-s", "streamed"),
                                                filePart("image", "photo.png", "image/png", pngBytes),
                                                {{{"X-One", "1"}, {"Content-Type", "text/x"}}, ""}});
  // A stream part can be read once, so every read size gets a builder of its own.
  for (size_t chunk : {size_t(1), size_t(7), size_t(1024), size_t(1) << 20}) {
    auto form = builder();
    form->appendPartWithFormData(bytes("v"), "field");
    form->appendPartWithFileData(bytes("file-bytes"), "doc", "a.txt", "text/plain");
    form->appendPartWithInputStream(fd::InputStream::inputStreamWithData(bytes("streamed")), "s", "s.bin", 8,
                                    "application/x-s");
    ASSERT_TRUE(form->appendPartWithFileURL(fileURL(png), "image", nullptr));
    form->appendPartWithHeaders(fd::Dictionary::withStrings({{"X-One", fd::StringObject::create("1")},
                                                             {"Content-Type", fd::StringObject::create("text/x")}}),
                                bytes(""));
    auto request = form->requestByFinalizingMultipartFormData();
    EXPECT_EQ(request->valueForHTTPHeaderField("Content-Length"), String(std::to_string(expected.size())));
    std::string body = drain(request->HTTPBodyStream(), chunk);
    EXPECT_EQ(body.size(), expected.size()) << chunk;
    EXPECT_TRUE(body == expected) << chunk;
  }
}

TEST(MultipartBody, SerializerFlattensParametersIntoFormParts) {
  auto serializer = NKHTTPRequestSerializer::serializer();
  serializer->setValueForHTTPHeaderField(String("abc"), "X-Sign");
  auto parameters = fd::JSONSerialization::JSONObjectWithBytes(R"({"b":[1,2],"a":"x y","n":null,"h":{"k":true}})", 0,
                                                               nullptr);
  Ref<NKMultipartFormData> seen;
  auto request = serializer->multipartFormRequestWithMethod(
      "POST", "http://a.test/upload?v=1", parameters, [&](const Ref<NKMultipartFormData>& form) {
        seen = form;
        form->appendPartWithFileData(bytes("img"), "photo", "p.jpg", "image/jpeg");
      });
  ASSERT_TRUE(request);
  ASSERT_TRUE(seen);
  EXPECT_EQ(request->URL()->absoluteString().utf8(), "http://a.test/upload?v=1");
  EXPECT_EQ(request->valueForHTTPHeaderField("X-Sign"), String("abc"));
  const std::string typePrefix = "multipart/form-data; boundary=";
  std::string type = request->valueForHTTPHeaderField("Content-Type")->utf8();
  ASSERT_EQ(type.rfind(typePrefix, 0), 0u) << type;
  const std::string boundary = type.substr(typePrefix.size());
  ASSERT_TRUE(isBoundary(boundary)) << type;
  const std::string expected =
      wire(boundary, {formPart("a", "x y"), formPart("b[]", "1"), formPart("b[]", "2"), formPart("h[k]", "1"),
                  formPart("n", ""), filePart("photo", "p.jpg", "image/jpeg", "img")});
  EXPECT_EQ(drain(request->HTTPBodyStream()), expected);
  EXPECT_EQ(request->valueForHTTPHeaderField("Content-Length"), String(std::to_string(expected.size())));

  Ref<fd::Error> error;
  EXPECT_FALSE(serializer->multipartFormRequestWithMethod("POST", "not a url", nullptr, nullptr, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), -1000);
}

TEST(MultipartBody, BoundariesAreRandomHexPerBuilder) {
  auto a = NKCreateMultipartFormBoundary().utf8();
  auto b = NKCreateMultipartFormBoundary().utf8();
  EXPECT_TRUE(isBoundary(a)) << a;
  EXPECT_TRUE(isBoundary(b)) << b;
  EXPECT_NE(a, b);
}

TEST(MultipartBody, SmallReadsContinueWhereTheyLeftOff) {
  auto form = builder();
  form->appendPartWithFormData(bytes("1"), "a");
  form->appendPartWithFormData(bytes("2"), "b");
  auto stream = form->requestByFinalizingMultipartFormData()->HTTPBodyStream();
  stream->open();
  uint8_t buffer[5];
  ASSERT_EQ(stream->read(buffer, 5), 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "--Bou");
  ASSERT_EQ(stream->read(buffer, 5), 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "ndary");
  EXPECT_EQ("--Bou" + std::string("ndary") + drain(stream, 3), wire(kBoundary, {formPart("a", "1"), formPart("b", "2")}));
  stream->close();
  EXPECT_EQ(stream->read(buffer, 5), 0);
  EXPECT_FALSE(stream->hasBytesAvailable());
}

TEST(MultipartBody, PacketSizeEndsAReadAndDelaySleepsAfterEachPartRead) {
  auto form = builder();
  form->appendPartWithFormData(bytes(std::string(300, 'x')), "a");
  form->appendPartWithFormData(bytes("y"), "b");
  form->throttleBandwidthWithPacketSize(10, 0.05);
  auto stream = rt::as<NKMultipartBodyStream>(form->requestByFinalizingMultipartFormData()->HTTPBodyStream());
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->numberOfBytesInPacket, 10u);
  stream->open();
  uint8_t buffer[100];
  auto start = std::chrono::steady_clock::now();
  // One part read fills the whole buffer although the packet size is 10.
  EXPECT_EQ(stream->read(buffer, sizeof buffer), 100);
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(elapsed, 0.05);
  EXPECT_LT(elapsed, 0.5);
  std::string rest = drain(stream, 100);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 100) + rest,
            wire(kBoundary, {formPart("a", std::string(300, 'x')), formPart("b", "y")}));
}

TEST(MultipartBody, CopyReadsTheSameBytesFromTheStart) {
  TempDir dir;
  auto file = dir.file("f.dat", std::string(10000, 'f'));
  auto form = builder();
  form->appendPartWithFormData(bytes("1"), "a");
  ASSERT_TRUE(form->appendPartWithFileURL(fileURL(file), "f", "f.dat", "application/x-f", nullptr));
  auto stream = rt::as<NKMultipartBodyStream>(form->requestByFinalizingMultipartFormData()->HTTPBodyStream());
  std::string first = drain(stream, 333);
  auto copy = rt::as<NKMultipartBodyStream>(stream->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->streamStatus(), fd::StreamStatus::NotOpen);
  EXPECT_EQ(copy->contentLength(), stream->contentLength());
  EXPECT_EQ(drain(copy, 4096), first);
  EXPECT_EQ(first.size(), stream->contentLength());
}

TEST(MultipartBody, FileURLPartsAndTheirErrors) {
  TempDir dir;
  struct Case {
    const char* name;
    const char* type;
  };
  const Case cases[] = {{"a.png", "image/png"}, {"b.jpg", "image/jpeg"}, {"c.unknownext", "application/octet-stream"},
                        {"noextension", "application/octet-stream"}};
  for (const auto& c : cases) {
    auto form = builder();
    ASSERT_TRUE(form->appendPartWithFileURL(fileURL(dir.file(c.name, "abc")), "f", nullptr)) << c.name;
    auto request = form->requestByFinalizingMultipartFormData();
    EXPECT_EQ(drain(request->HTTPBodyStream()), wire(kBoundary, {filePart("f", c.name, c.type, "abc")})) << c.name;
  }

  struct ErrorCase {
    Ref<fd::URL> url;
    const char* reason;
  };
  const ErrorCase errors[] = {
      {fd::URL::URLWithString("http://a.test/a.png"), "Expected URL to be a file URL"},
      {fileURL(dir.path() / "missing.png"), "File URL not reachable."},
  };
  for (const auto& e : errors) {
    auto form = builder();
    Ref<fd::Error> error;
    EXPECT_FALSE(form->appendPartWithFileURL(e.url, "f", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), String(NKURLRequestSerializationErrorDomain));
    EXPECT_EQ(error->code(), -1000);
    EXPECT_EQ(error->localizedFailureReason(), String(e.reason));
    EXPECT_TRUE(form->bodyStream()->isEmpty());
    EXPECT_FALSE(form->requestByFinalizingMultipartFormData()->HTTPBodyStream());
  }
}

TEST(MultipartBody, AStreamOfTheWrongLengthFailsTheRead) {
  struct Case {
    std::string content;
    int64_t declared;
  };
  const Case cases[] = {{"short", 100}, {"much longer than declared", 4}, {"", 1}};
  for (const auto& c : cases) {
    auto form = builder();
    form->appendPartWithFormData(bytes("1"), "a");
    form->appendPartWithInputStream(fd::InputStream::inputStreamWithData(bytes(c.content)), "s", "s", c.declared,
                                    "text/plain");
    auto stream = form->requestByFinalizingMultipartFormData()->HTTPBodyStream();
    int64_t failure = 0;
    std::string read = drain(stream, 16, &failure);
    EXPECT_EQ(failure, -1) << c.content;
    EXPECT_LT(read.size(), size_t(rt::as<NKMultipartBodyStream>(stream)->contentLength()));
    auto error = stream->streamError();
    ASSERT_TRUE(error) << c.content;
    EXPECT_EQ(error->domain(), String(NKURLRequestSerializationErrorDomain));
    EXPECT_EQ(error->code(), -1000);
    EXPECT_FALSE(stream->hasBytesAvailable());
    uint8_t b;
    EXPECT_EQ(stream->read(&b, 1), -1);
  }
}

TEST(MultipartBody, AnUnreadableStreamPassesItsErrorOn) {
  auto form = builder();
  form->appendPartWithInputStream(fd::InputStream::inputStreamWithFileAtPath("/nonexistent/nk/file"), "s", "s", 10,
                                  "text/plain");
  auto stream = form->requestByFinalizingMultipartFormData()->HTTPBodyStream();
  int64_t failure = 0;
  drain(stream, 4096, &failure);
  EXPECT_EQ(failure, -1);
  ASSERT_TRUE(stream->streamError());
  EXPECT_NE(stream->streamError()->domain(), String(NKURLRequestSerializationErrorDomain));
}

TEST(MultipartBody, PartPhasesAndLength) {
  auto part = rt::make<NKHTTPBodyPart>();
  part->boundary = "B";
  part->headers = fd::Dictionary::withStrings({{"Content-Disposition", fd::StringObject::create("form-data; name=\"x\"")}});
  part->body = bytes("body");
  part->bodyContentLength = 4;
  part->hasInitialBoundary = true;
  part->hasFinalBoundary = true;
  const std::string expected = wire("B", {formPart("x", "body")});
  EXPECT_EQ(part->stringForHeaders().utf8(), "Content-Disposition: form-data; name=\"x\"\r\n\r\n");
  EXPECT_EQ(part->contentLength(), expected.size());
  std::string out(expected.size() + 10, '\0');
  EXPECT_TRUE(part->hasBytesAvailable());
  EXPECT_EQ(part->read(reinterpret_cast<uint8_t*>(out.data()), out.size()), int64_t(expected.size()));
  out.resize(expected.size());
  EXPECT_EQ(out, expected);
  // Back at the start with its stream closed: nothing more to give.
  EXPECT_FALSE(part->hasBytesAvailable());
  part->hasInitialBoundary = false;
  part->hasFinalBoundary = false;
  EXPECT_EQ(part->contentLength(), std::string("\r\n--B\r\n").size() + part->stringForHeaders().utf8().size() + 4);
}
