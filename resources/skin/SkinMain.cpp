// Build-time generator of the skin: writes every picture named on the
// command line as <name>.png into the output folder, and fails on a name it
// does not know, so that the bundle list and the drawings cannot drift apart.
#include "SkinArt.h"

#include <cstdio>
#include <map>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <output folder> <name>...\n", argv[0]);
    return 2;
  }
  std::map<std::string, skin::TSkinImage> known;
  for (auto& image : skin::SkinImages()) known.emplace(image.Name, image);
  for (auto& image : skin::ProgramIcons()) known.emplace(image.Name, image);

  const std::string folder = argv[1];
  for (int i = 2; i < argc; ++i) {
    auto found = known.find(argv[i]);
    if (found == known.end()) {
      std::fprintf(stderr, "no drawing for skin picture %s\n", argv[i]);
      return 1;
    }
    const skin::TSkinImage& image = found->second;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.Width, image.Height);
    cairo_t* cr = cairo_create(surface);
    image.Paint(cr, image.Width, image.Height);
    cairo_destroy(cr);
    const std::string path = folder + "/" + image.Name + ".png";
    const std::string temporary = path + ".tmp";
    bool ok = cairo_surface_write_to_png(surface, temporary.c_str()) == CAIRO_STATUS_SUCCESS &&
              std::rename(temporary.c_str(), path.c_str()) == 0;
    cairo_surface_destroy(surface);
    if (!ok) {
      std::remove(temporary.c_str());
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
