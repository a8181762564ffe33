#include "exchange/csv_export.h"
