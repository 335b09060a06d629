#pragma once

#include <colorgridutils.h>

#include <QString>

// Loads the grid colour documents (XmlColorSettings, XmlUserColorSettings): the shared colours
// (a missing or broken file is logged and leaves them empty: grids then show their plain
// colours) and the user's colours from userFile when it exists.
void LoadColorSettings(const QString &sharedFile, const QString &userFile);
