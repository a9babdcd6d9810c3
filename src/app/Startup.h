#pragma once

// The program's start-up: the database checks, the titles colour, the splash while the tables
// open, the long-lived windows. False when the program must end without its message loop.
bool StartUp();

// Reads the stored schema version: 0 when the Sys table is empty or the value is null.
double ReadSchemaVersion();
