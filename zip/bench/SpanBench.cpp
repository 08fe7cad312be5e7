// Splits an existing zip into volumes or joins a set, and nothing else, so
// that the benchmark times the copying alone.
// Usage: span_bench split SIZE ARCHIVE TARGET | span_bench join LASTVOLUME OUTPUT
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Spanning.h"

int main(int argc, char** argv) {
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "split" && argc == 5) {
      orn::SpanSettings settings{std::atoll(argv[2]), 0, 65536};
      std::printf("%d volumes\n", orn::SplitZipToVolumes(argv[3], argv[4], settings, {}));
      return 0;
    }
    if (command == "join" && argc == 4) {
      orn::JoinZipVolumes(argv[2], argv[3], {});
      return 0;
    }
  } catch (const EZipEngine& e) {
    std::fprintf(stderr, "span_bench: [%d] %s\n", e.Ident(), e.what());
    return 1;
  }
  std::fputs("usage: span_bench split SIZE ARCHIVE TARGET | span_bench join LASTVOLUME OUTPUT\n", stderr);
  return 2;
}
