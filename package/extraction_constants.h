#include "device_paths.h"  // the extraction's paths, now in the one table
