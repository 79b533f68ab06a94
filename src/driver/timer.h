// Forwards to core/timer.h for the sources that still include it by its former path.
#pragma once

#include "core/timer.h"
