#pragma once
#include "platform/surface.h"

// Every bitmap of the program on one sheet, for reviewing the art by eye.
Surface ArtContactSheet();
