#pragma once

#include <database.h>

// Creation and write mode of a database file, which the layer's Database leaves at the
// engine's defaults. A new database is built with forced writes off, since the schema's DDL
// and the demo data would otherwise wait for the disk at every commit, and switched to forced
// writes once it is complete.
class DatabaseFile
{
public:
    // Creates the database (default character set from params) and detaches again.
    static void create(const fb::ConnectParams &params, int pageSize, bool forcedWrites);
    // Attaches as the owner to switch forced writes on or off, and detaches.
    static void setForcedWrites(const fb::ConnectParams &params, bool on);
};
