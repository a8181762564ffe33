#include "exchange/vcard_export.h"
