// Compiled with the physics library's include path only: the scene sits above
// the physics, so this must not build.
#include "scene/StartScene.h"
