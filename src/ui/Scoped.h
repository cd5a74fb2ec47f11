// The owners of windows, DCs and GDI objects now live in the base layer.
#pragma once

#include "base/WinHandles.h"
