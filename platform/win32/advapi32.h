// advapi32 services of the layer.
#pragma once

#include "win32/types.h"
