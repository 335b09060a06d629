#pragma once

#include <QDomDocument>
#include <QString>

// The grid colour definitions every grid reads: the shared ones of the options directory and
// the user's own.
extern QDomDocument XmlColorSettings;
extern QDomDocument XmlUserColorSettings;

// The user's document when the user has no colour settings yet.
inline constexpr char EmptyUserColorSettings[] = "<?xml version=\"1.0\"?><Grids/>";

// Loads the shared colours (a missing or broken file is logged and leaves them empty: grids
// then show their plain colours) and the user's colours from userFile when it exists.
void LoadColorSettings(const QString &sharedFile, const QString &userFile);
