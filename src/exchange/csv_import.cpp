#include "exchange/csv_import.h"
