#include "exchange/header_mapping.h"
