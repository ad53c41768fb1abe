#include "datastore/SqlDatabase.h"
