#pragma once

#include "velmcom_global.h"

#include <QString>
#include <QUuid>

// The manifest a plug-in library carries in its Qt plug-in metadata ("MetaData" of
// QPluginLoader::metaData()), for example
//   {"ProgId": "MarkBook.VelmPlugin", "ClassId": "{3CCA2978-...}", "TypeLibrary": "MarkBook",
//    "FriendlyName": "MarkBook", "LoadBehavior": 3}
// ProgId and ClassId are required. FriendlyName defaults to TypeLibrary, else to ProgId;
// LoadBehavior defaults to 0 (connect on first use).
class VELMCOM_EXPORT PluginManifest
{
public:
    // Reads and checks the manifest of a library without loading its code. LxError naming the
    // file when the file is missing, is not a plug-in library of this system or its manifest is
    // broken.
    static PluginManifest Read(const QString &libraryPath);

    QString libraryPath; // absolute
    QString progId;
    QUuid classId;
    QString typeLibrary;
    QString friendlyName;
    int loadBehavior = 0;
};
