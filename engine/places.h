// The engine's face for the side tools and the developer programs, beside engine.h: reaching
// the user's and the machine's places through handles, no link on the way, and acting with the
// signed-in user's rights. The folder mover takes the profile folder and whether a path lies
// below it, and holds both ends of a move; the ad blocker and the sample data build known paths.
#pragma once

#include "engine/engine.h"
#include "engine/places/paths.h"
#include "engine/places/user_places.h"
#include "engine/places/user_rights.h"
#include "engine/walk/item_handles.h"
