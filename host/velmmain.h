#pragma once

#include <QString>

// The host program from start to end; returns the process's exit code.
int VelmorMain(int argc, char **argv);

// True when the product key names both a server and a database; otherwise the connection
// setup program has to be run first.
bool ConnectionConfigured();

// Checks the menu definition before the start goes on: raises "Ошибка при загрузке файла меню
// \"userinterface.cml\"" when the file cannot be loaded, or the builder's error when a part of
// it is missing.
void CheckUserInterface(const QString &fileName);
