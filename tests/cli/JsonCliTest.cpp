// The JSON text of the command line: numbers in their shortest exact form
// (also where the JSON library's own writer is longer), strings always
// valid UTF-8, keys in the order they were added.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "cli/CliJson.h"
#include "core/common/NumberText.h"

using namespace sorrel;
using namespace sorrel::cli;

TEST(CliJson, FloatsAreWrittenAsTheirShortestText) {
  // 6.57 stored as a float is 6.570000171661377 as a double.
  EXPECT_EQ(JsonText(JsonNumber(6.57f)), "6.57\n");
  EXPECT_EQ(JsonText(JsonNumber(static_cast<double>(6.57f))), "6.570000171661377\n");
  std::mt19937 rng(5);
  for (int i = 0; i < 20000; ++i) {
    uint32_t bits = rng();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    const std::string text = JsonText(JsonNumber(v));
    ASSERT_EQ(text, ShortestRoundTripFloat(v) + "\n");
    // Read by an independent reader as a double, then stored as a float.
    ASSERT_EQ(static_cast<float>(Json::parse(text).get<double>()), v) << text;
  }
}

TEST(CliJson, DoublesAreWrittenAsTheirShortestText) {
  // Values for which the library's own writer gives more digits than
  // needed (-76.02392999999999), and ordinary ones.
  const double values[] = {-76.02393, -70.71143,  0.1,    1e6,
                           1e-7,      123456.789, 5e-324, std::numeric_limits<double>::max(),
                           82.0,      -0.0};
  for (double v : values) {
    SCOPED_TRACE(v);
    const std::string text = JsonText(JsonNumber(v));
    EXPECT_EQ(text, ShortestRoundTrip(v) + "\n");
    EXPECT_EQ(Json::parse(text).get<double>(), v);
  }
  EXPECT_LT(JsonText(JsonNumber(-76.02393)).size(), Json(-76.02393).dump().size() + 1);
  for (double v : {std::nan(""), std::numeric_limits<double>::infinity()})
    EXPECT_EQ(JsonText(JsonNumber(v)), "null\n");
  EXPECT_EQ(JsonText(JsonNumber(std::numeric_limits<float>::infinity())), "null\n");
}

TEST(CliJson, StringsAreValidUtf8AndKeysKeepTheirOrder) {
  Json doc;
  doc["file"] = std::string("caf\xe9\xff.txt");
  doc["kind"] = "txt";
  doc["lines"] = Json::array({"a\tb\x1b[0m", "\xc3\xa9"});
  doc["answer"] = nullptr;
  doc["scans"] = 0;
  const std::string text = JsonText(doc);
  EXPECT_EQ(text,
            "{\"file\":\"caf\xef\xbf\xbd\xef\xbf\xbd.txt\",\"kind\":\"txt\","
            "\"lines\":[\"a\\tb\\u001b[0m\",\"\xc3\xa9\"],\"answer\":null,\"scans\":0}\n");
  EXPECT_NO_THROW(Json::parse(text));
}
