#include "store/backups.h"
