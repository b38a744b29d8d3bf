// The module's installed header under its namespace's name, rerove_tivorn_subs:
// other programs of the forecast package include it by that name. It stays, and
// holds nothing of its own: the interface is rerove_tivorn.hpp.
#pragma once
#include "rerove_tivorn/rerove_tivorn.hpp"
