#pragma once

#include "velmdm_global.h"

#include <QByteArray>
#include <QString>

class QDomDocument;

// The key number of the encoded definition files (".cml") of an installation. The build
// encodes the installation's XML sources with it, so the two must never part.
inline constexpr quint8 DefinitionFileKey = 173;

// The text of an encoded file as a line reader sees it: every line followed by CR LF.
// Throws LxError naming the file when it cannot be read.
VELMDM_EXPORT QByteArray ReadEncodedFile(const QString &fileName);

// The decoded plain text of an encoded file; throws LxError naming the file on any failure.
VELMDM_EXPORT QByteArray DecodeFile(const QString &fileName, quint8 keyNumber = DefinitionFileKey);

// Loads the XML text into the document (honouring its encoding declaration); throws LxError
// naming the file, the line and the column when the text is not well-formed.
VELMDM_EXPORT void
SetXmlContent(QDomDocument &document, const QByteArray &xml, const QString &fileName);

// Loads an encoded definition file into the document (replacing its content). On any failure
// (file missing or unreadable, decoding error, malformed XML) logs one line at elAppException
// naming the file, clears the document and returns false; it never throws.
VELMDM_EXPORT bool LoadEncXML(QDomDocument &document, const QString &fileName);

// The document of an encoded definition file; throws LxError naming the file on any failure.
VELMDM_EXPORT void LoadEncXMLOrThrow(QDomDocument &document,
                                     const QString &fileName,
                                     quint8 keyNumber = DefinitionFileKey);
