// Everything a Spruce window or dialog builds on.
#pragma once

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/string.h"
