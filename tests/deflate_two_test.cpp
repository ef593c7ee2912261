#include "workspace/deflate_two.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace takeoff::workspace {
namespace {

std::string Inflate(const std::string& z, std::size_t size) {
  std::string out(size + 1, '\0');
  uLongf n = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(z.data()),
                       static_cast<uLong>(z.size())),
            Z_OK);
  out.resize(n);
  return out;
}

TEST(DeflateTwo, OneZlibStreamOfAllParts) {
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "(3.6+4.2)*2*0.24-" + std::to_string(i % 977) + ";";
  const std::string small = "header\r\n", empty;
  const struct {
    std::vector<std::string_view> parts;
  } cases[] = {
      {{}}, {{empty}}, {{small}}, {{small, big, empty, small}}, {{big}}, {{std::string_view(big).substr(0, 40000)}},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (std::string_view p : c.parts) joined += p;
    const std::string z = DeflateLevel1(c.parts);
    ASSERT_GE(z.size(), 6u);
    EXPECT_EQ(Inflate(z, joined.size()), joined) << joined.size();
  }
}

}  // namespace
}  // namespace takeoff::workspace
