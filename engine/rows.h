// The engine's face for the windows, beside engine.h: the rows the main window lists (the
// category table with the application rows, Windows' own cleanup handlers) and those of the
// chat-files tool, with the Recycle Bin it moves into and the running programs it waits for.
#pragma once

#include "engine/engine.h"
#include "engine/handlers/cleanup_handlers.h"
#include "engine/rows/categories.h"
#include "engine/targets/app_caches.h"
#include "engine/targets/chat_files.h"
#include "engine/targets/recycle_bin.h"
