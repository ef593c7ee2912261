// Arbitrary bytes as a project file, as they come and packed into a zlib stream (so
// that mutations reach the container behind the compression): refused with
// TableError, or read into a head whose sizes match the sections read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <zlib.h>

#include "data/table_storage.h"
#include "workspace/project_file.h"

using namespace takeoff;

namespace {

void Check(std::string_view in) {
  workspace::ProjectFileImage image;
  try {
    image = workspace::DecodeProjectFile(in);
  } catch (const data::TableError&) {
    return;
  }
  for (std::size_t i = 0; i < image.Tables.size(); ++i)
    if (image.Tables[i].size() != static_cast<std::size_t>(image.Head.Sizes[i])) std::abort();
  // The sections go on to the table reader as the working files would.
  for (const std::string& t : image.Tables) {
    try {
      (void)data::DecodeTable(t);
    } catch (const data::TableError&) {
    }
  }
}

std::string Packed(std::string_view raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 1) != Z_OK)
    std::abort();
  out.resize(size);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  Check(in);
  Check(Packed(in));
  return 0;
}
