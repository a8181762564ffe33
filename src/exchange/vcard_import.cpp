#include "exchange/vcard_import.h"
