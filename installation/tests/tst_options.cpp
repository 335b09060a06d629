// The options sources agree with each other: a RIGHTS line naming a right that rights.cml
// lacks stops every right from loading, and a menu entry naming no action shows an empty item.

#include "installationfixture.h"

#include <windows1251xml.h>

#include <QDomDocument>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QDomElement root(const QString &file)
{
    static QList<QDomDocument> documents; // the elements need their documents alive
    QDomDocument document;
    Windows1251Xml::load(document, InstallationFixture::sourceFile(u"options/"_s + file));
    documents << document;
    return document.documentElement();
}

void collect(const QDomElement &parent, const QString &attribute, QStringList &values)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.hasAttribute(attribute))
            values << e.attribute(attribute);
        collect(e, attribute, values);
    }
}

} // namespace

TEST(Options, RightsTreeShowsEveryRightOnce)
{
    const QDomElement rights = root(u"rights.xml"_s);
    QStringList defined, shown;
    collect(rights.firstChildElement(u"Actions"_s), u"ID"_s, defined);
    collect(rights.firstChildElement(u"Tree"_s), u"ID"_s, shown);
    EXPECT_EQ(QSet<QString>(defined.begin(), defined.end()).size(), defined.size());
    std::sort(defined.begin(), defined.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, defined);
}

TEST(Options, MenusAndToolbarsNameDefinedActions)
{
    const QDomElement ui = root(u"userinterface.xml"_s);
    for (const char *section : {"Actions", "Menu", "Toolbars"})
        ASSERT_FALSE(ui.firstChildElement(QString::fromLatin1(section)).isNull()) << section;
    QStringList actions, used;
    collect(ui.firstChildElement(u"Actions"_s), u"Name"_s, actions);
    collect(ui.firstChildElement(u"Menu"_s), u"Action"_s, used);
    collect(ui.firstChildElement(u"Toolbars"_s), u"Action"_s, used);
    for (const QString &name : used) {
        if (name != u"-"_s)
            EXPECT_TRUE(actions.contains(name)) << name.toStdString();
    }
    // Every picture index points into images.bmp (16 pixels a picture).
    const QImage strip(InstallationFixture::sourceFile(u"options/images.bmp"_s));
    ASSERT_EQ(strip.height(), 16);
    const int pictures = strip.width() / 16;
    QStringList indexes;
    collect(ui.firstChildElement(u"Actions"_s), u"ImageIndex"_s, indexes);
    for (const QString &index : indexes)
        EXPECT_LT(index.toInt(), pictures) << index.toStdString();
}
