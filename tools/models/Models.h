// Model tool entry points: each writes its models, skins and animation
// lists under the data folder given.
#ifndef TOOLS_MODELS_MODELS_H
#define TOOLS_MODELS_MODELS_H

#include <string>

#include "Mesh.h"

namespace mdl {

using assets::WriteTga;

void BuildPlayer(const std::string& dir);  // player body and its three weapons, gun pickups
void BuildSoldier(const std::string& dir);
void BuildSpider(const std::string& dir);
void BuildDemon(const std::string& dir);  // also the demon's death model
void BuildMutant(const std::string& dir);
void BuildProps(const std::string& dir);  // map box and the static pickups

}  // namespace mdl

#endif
