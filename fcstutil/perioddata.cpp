#include "fcstutil/fcstutil.hpp"
