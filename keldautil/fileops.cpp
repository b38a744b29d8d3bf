#include "keldautil/keldautil.hpp"
