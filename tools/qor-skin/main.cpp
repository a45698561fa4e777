// qor-skin: renders a contact sheet of the skin to one PNG for review.
//   qor-skin <output.png>
#include "tools/qor-skin/ContactSheet.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
    return 2;
  }
  std::vector<int> missing;
  auto sheet = qorskin::RenderContactSheet(missing);
  for (int id : missing) std::fprintf(stderr, "missing skin picture %d\n", id);
  if (!sheet->SaveToPng(argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return missing.empty() ? 0 : 1;
}
