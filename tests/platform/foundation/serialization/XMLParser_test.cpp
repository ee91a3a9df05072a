#include <gtest/gtest.h>

#include <expat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/XMLParser.h"

namespace fd {

namespace {

// Writes every event down as one line.
class Recorder : public Object, public XMLParserDelegate {
  RT_CLASS(Recorder, Object)
 public:
  std::vector<std::string> events;
  int errors = 0;
  Ref<Error> lastError;
  std::string abortAt;  // the element whose start aborts the parse

  void parserDidStartDocument(XMLParser&) override { events.push_back("begin"); }
  void parserDidEndDocument(XMLParser&) override { events.push_back("end"); }
  void didStartElement(XMLParser& parser, const String& name, const String& uri, const String& qName,
                       const Ref<Dictionary>& attributes) override {
    std::string line = "<" + name.utf8();
    if (!uri.isEmpty() || !qName.isEmpty()) line += " {" + uri.utf8() + "}" + qName.utf8();
    for (size_t i = 0; i < attributes->count(); ++i)
      line += " " + attributes->keys()[i]->description().utf8() + "=" + attributes->values()[i]->description().utf8();
    events.push_back(line + ">");
    if (name.utf8() == abortAt) parser.abortParsing();
  }
  void didEndElement(XMLParser&, const String& name, const String&, const String&) override {
    events.push_back("</" + name.utf8() + ">");
  }
  void foundCharacters(XMLParser&, const String& s) override { events.push_back("text:" + s.utf8()); }
  void foundCDATA(XMLParser&, const Ref<Data>& block) override { events.push_back("cdata:" + std::string(block->view())); }
  void parseErrorOccurred(XMLParser&, const Ref<Error>& error) override {
    ++errors;
    lastError = error;
  }
};

RT_IMPLEMENT(Recorder) {}

struct Outcome {
  bool ok;
  Ref<Recorder> recorder;
  Ref<XMLParser> parser;
};

Outcome parse(const std::string& xml, bool namespaces = false, const std::string& abortAt = "") {
  auto recorder = rt::make<Recorder>();
  recorder->abortAt = abortAt;
  auto parser = XMLParser::create(Data::create(std::string_view(xml)));
  parser->setDelegate(recorder);
  parser->setShouldProcessNamespaces(namespaces);
  bool ok = parser->parse();
  return {ok, recorder, parser};
}

}  // namespace

TEST(XMLParser, ReportsEventsInOrder) {
  Outcome r = parse(R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>社区 &amp; news</title><item id="7" top="yes"><![CDATA[<b>bold</b>]]></item><empty/></channel></rss>)");
  ASSERT_TRUE(r.ok);
  EXPECT_FALSE(r.parser->parserError());
  const std::vector<std::string> expected = {
      "begin", "<rss version=2.0>", "<channel>", "<title>", "text:社区 & news", "</title>",
      "<item id=7 top=yes>", "cdata:<b>bold</b>", "</item>", "<empty>", "</empty>", "</channel>", "</rss>", "end"};
  EXPECT_EQ(r.recorder->events, expected);
  EXPECT_EQ(r.recorder->errors, 0);
}

TEST(XMLParser, NamespacesWhenAsked) {
  const std::string xml = R"(<a:feed xmlns:a="urn:x" xmlns="urn:d"><a:item a:k="v"/><plain/></a:feed>)";
  Outcome off = parse(xml);
  ASSERT_TRUE(off.ok);
  EXPECT_EQ(off.recorder->events[1], "<a:feed xmlns:a=urn:x xmlns=urn:d>");
  Outcome on = parse(xml, true);
  ASSERT_TRUE(on.ok);
  const std::vector<std::string> expected = {"begin", "<feed {urn:x}a:feed>", "<item {urn:x}a:item a:k=v>",
                                             "</item>", "<plain {urn:d}plain>", "</plain>", "</feed>", "end"};
  EXPECT_EQ(on.recorder->events, expected);
}

TEST(XMLParser, CreatedUnstarted) {
  auto recorder = rt::make<Recorder>();
  auto parser = XMLParser::create(Data::create(std::string_view("<a/>")));
  ASSERT_TRUE(parser);
  parser->setDelegate(recorder);
  EXPECT_TRUE(recorder->events.empty());
  EXPECT_FALSE(XMLParser::create(nullptr));
  EXPECT_TRUE(parser->parse());
  EXPECT_EQ(recorder->events.size(), 4u);
}

TEST(XMLParser, ParsesWithoutADelegate) {
  auto parser = XMLParser::create(Data::create(std::string_view("<a><b>x</b></a>")));
  {
    auto gone = rt::make<Recorder>();
    parser->setDelegate(gone);
  }
  EXPECT_TRUE(parser->parse());
  EXPECT_FALSE(XMLParser::create(Data::create(std::string_view("<a>")))->parse());
}

TEST(XMLParser, MalformedDocumentsAreErrors) {
  struct Case {
    const char* xml;
    XML_Error code;
  };
  const Case cases[] = {
      {"<a><b></a>", XML_ERROR_TAG_MISMATCH},
      {"<a>", XML_ERROR_NO_ELEMENTS},
      {"", XML_ERROR_NO_ELEMENTS},
      {"<a x='1' x='2'/>", XML_ERROR_DUPLICATE_ATTRIBUTE},
      {"<a>&nope;</a>", XML_ERROR_UNDEFINED_ENTITY},
      {"<a></a><b/>", XML_ERROR_JUNK_AFTER_DOC_ELEMENT},
      {"<a>\xff</a>", XML_ERROR_INVALID_TOKEN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    Outcome r = parse(c.xml);
    EXPECT_FALSE(r.ok);
    ASSERT_TRUE(r.parser->parserError());
    EXPECT_EQ(r.parser->parserError()->domain(), String(NSXMLParserErrorDomain));
    EXPECT_EQ(r.parser->parserError()->code(), static_cast<int64_t>(c.code));
    EXPECT_EQ(r.parser->parserError()->localizedDescription(), String(XML_ErrorString(c.code)));
    EXPECT_EQ(r.recorder->errors, 1);
    EXPECT_EQ(r.recorder->lastError.get(), r.parser->parserError().get());
    EXPECT_EQ(std::count(r.recorder->events.begin(), r.recorder->events.end(), "end"), 0);
  }
}

TEST(XMLParser, AbortStopsTheParse) {
  Outcome r = parse("<list><item>1</item><item>2</item><stop/><item>3</item></list>", false, "stop");
  EXPECT_FALSE(r.ok);
  ASSERT_TRUE(r.parser->parserError());
  EXPECT_EQ(r.parser->parserError()->code(), XMLParserDelegateAbortedParseError);
  EXPECT_EQ(r.recorder->errors, 1);
  EXPECT_EQ(r.recorder->events.back(), "<stop>");
}

TEST(XMLParser, EntityExpansionBombIsRefused) {
  std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lollollollollollollollollollol\">\n";
  xml += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
  for (int i = 2; i <= 9; ++i) {
    std::string prev = "&lol" + std::to_string(i - 1) + ";";
    std::string body;
    for (int k = 0; k < 10; ++k) body += prev;
    xml += "<!ENTITY lol" + std::to_string(i) + " \"" + body + "\">\n";
  }
  xml += "]>\n<lolz>&lol9;</lolz>";
  auto start = std::chrono::steady_clock::now();
  auto parser = XMLParser::create(Data::create(std::string_view(xml)));
  EXPECT_FALSE(parser->parse());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ASSERT_TRUE(parser->parserError());
  EXPECT_EQ(parser->parserError()->code(), static_cast<int64_t>(XML_ERROR_AMPLIFICATION_LIMIT_BREACH));
}

TEST(XMLParser, ExternalEntitiesAreNeverLoaded) {
  auto dir = std::filesystem::temp_directory_path() / ("kd-xml-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string secretPath = (dir / "secret.txt").string();
  std::ofstream(secretPath) << "TOPSECRET";
  std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE doc [\n<!ENTITY ext SYSTEM \"file://" + secretPath +
                    "\">\n<!ENTITY % pe SYSTEM \"file://" + secretPath + "\">\n%pe;\n]>\n<doc>[&ext;]</doc>";
  for (bool resolve : {false, true}) {
    auto recorder = rt::make<Recorder>();
    auto parser = XMLParser::create(Data::create(std::string_view(xml)));
    parser->setDelegate(recorder);
    parser->setShouldResolveExternalEntities(resolve);
    parser->parse();
    for (const auto& e : recorder->events) EXPECT_EQ(e.find("TOPSECRET"), std::string::npos) << e;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace fd
