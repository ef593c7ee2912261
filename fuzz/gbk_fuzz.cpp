// Arbitrary bytes through the code page 936 conversions and the character helpers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/gbk.h"

using namespace takeoff::text;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string in(reinterpret_cast<const char*>(data), size);

  // Code page 936 -> UTF-8 -> code page 936 gives the bytes back; the lossy form
  // agrees with the strict one whenever the strict one succeeds.
  try {
    const std::string utf8 = Cp936ToUtf8(in);
    if (Utf8ToCp936(utf8) != in) std::abort();
    if (Cp936ToUtf8Lossy(in) != utf8) std::abort();
  } catch (const ConversionError& e) {
    if (e.Offset >= size) std::abort();
  }
  // UTF-8 -> code page 936 -> UTF-8 likewise.
  try {
    const std::string gbk = Utf8ToCp936(in);
    if (Cp936ToUtf8(gbk) != in) std::abort();
  } catch (const ConversionError& e) {
    if (e.Offset >= size) std::abort();
  }

  // Cutting never leaves a dangling lead byte and never grows the text.
  const std::size_t n = size ? data[0] : 0;
  const std::string cut = CutToBytes(in, n);
  if (cut.size() > n || in.compare(0, cut.size(), cut) != 0) std::abort();
  std::size_t i = 0;
  while (i < cut.size()) i += CharLength(cut, i);
  if (i != cut.size()) std::abort();
  if (UpperAscii(in).size() != in.size()) std::abort();
  return 0;
}
