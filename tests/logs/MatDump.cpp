#include "MatDump.h"
