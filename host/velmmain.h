#pragma once

// The host program from start to end; returns the process's exit code.
int VelmorMain(int argc, char **argv);

// True when the product key names both a server and a database; otherwise the connection
// setup program has to be run first.
bool ConnectionConfigured();
