// Forwards to core/diagnostics.h for the sources that still include it by its former path.
#pragma once

#include "core/diagnostics.h"
