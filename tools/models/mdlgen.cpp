// Model tool: writes every model, its skin and, for the monsters, the
// animation list.
//
//   mdlgen DATA_DIR
#include <cstdio>

#include "Models.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mdlgen DATA_DIR\n");
    return 2;
  }
  std::string d = argv[1];
  mdl::BuildPlayer(d);
  mdl::BuildSoldier(d);
  mdl::BuildSpider(d);
  mdl::BuildDemon(d);
  mdl::BuildMutant(d);
  mdl::BuildProps(d);
  return 0;
}
