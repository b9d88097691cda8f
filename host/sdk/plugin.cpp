// The plug-in base's default load and unload steps.
#include "bakkesmod/plugin/bakkesmodplugin.h"

namespace BakkesMod::Plugin {

void BakkesModPlugin::onLoad() {}
void BakkesModPlugin::onUnload() {}

}  // namespace BakkesMod::Plugin
