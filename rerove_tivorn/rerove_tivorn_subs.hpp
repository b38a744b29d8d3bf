// The module's public header under the module's own name.
#pragma once
#include "rerove_tivorn/rerove_tivorn.hpp"
