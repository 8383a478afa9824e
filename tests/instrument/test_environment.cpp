#include "temp_home.h"
