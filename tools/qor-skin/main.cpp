// qor-skin: renders a contact sheet for review.
//   qor-skin <output.png>                    the skin's pictures and stock controls
//   qor-skin --player-controls <output.png>  the player window's controls
#include "tools/qor-skin/ContactSheet.h"
#include "tools/qor-skin/PlayerControlsSheet.h"

#include <cstdio>
#include <cstring>

#include "widgets/Identity.h"

int main(int argc, char** argv) {
  const bool controls = argc == 3 && std::strcmp(argv[1], "--player-controls") == 0;
  if (argc != 2 && !controls) {
    std::fprintf(stderr, "usage: %s [--player-controls] <output.png>\n", argv[0]);
    return 2;
  }
  const char* output = argv[argc - 1];
  widgets::SetResourceBase(QOR_SKIN_RESOURCE_BASE);
  std::vector<int> missing;
  auto sheet = controls ? qorskin::RenderPlayerControlsSheet() : qorskin::RenderContactSheet(missing);
  for (int id : missing) std::fprintf(stderr, "missing skin picture %d\n", id);
  if (!sheet->SaveToPng(output)) {
    std::fprintf(stderr, "cannot write %s\n", output);
    return 1;
  }
  return missing.empty() ? 0 : 1;
}
