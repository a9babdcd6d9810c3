// Bringing a database written by an earlier version to the current schema.
#include "Data.h"

int TFData::UpgradeDatabase()
{
    // Restructuring older databases is not available in this build: report a failed upgrade
    // so that start-up refuses the database and changes nothing.
    return 2;
}
