// Debian's libuchardet does the guessing; this only maps its answer to a
// code page.
#include "NameCharset.h"

#include <uchardet/uchardet.h>

#include <memory>
#include <string>

#include "CodePage.h"

namespace orn {

int DetectNamesCodePage(std::string_view bytes) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
  if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return 0;
  uchardet_data_end(detector.get());
  const char* charset = uchardet_get_charset(detector.get());
  if (!charset || !*charset) return 0;
  // The Baltic ISO page has the letters of its Windows page where names have them.
  const std::string name = charset;
  if (name == "ISO-8859-13") return 1257;
  if (name == "ISO-8859-1" || name == "ISO-8859-15") return 1252;
  return CodePageFromName(name);
}

}  // namespace orn
