#include "replays/Catalogue.h"
#include "app/Unit1.h"
#include <app/Unit1.h>
