#include "colorsettings.h"

#include <lxerror.h>
#include <lxlog.h>
#include <windows1251xml.h>

#include <QFileInfo>

namespace {

void loadOrEmpty(QDomDocument &document, const QString &fileName)
{
    try {
        Windows1251Xml::load(document, fileName);
    } catch (const LxError &error) {
        Log(error.message(), elAppException);
        document.setContent(QByteArray(EmptyUserColorSettings));
    }
}

} // namespace

void LoadColorSettings(const QString &sharedFile, const QString &userFile)
{
    loadOrEmpty(XmlColorSettings, sharedFile);
    if (QFileInfo::exists(userFile))
        loadOrEmpty(XmlUserColorSettings, userFile);
    else
        XmlUserColorSettings.setContent(QByteArray(EmptyUserColorSettings));
    ColorSettingsChanged();
}
