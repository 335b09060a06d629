#pragma once

// An engine for fuzzing: small limits, output dropped, and the routines that touch the file
// system or sleep replaced by harmless ones.

#include "engine.h"

inline void prepareFuzzEngine(script::Engine &e)
{
    using namespace script;
    Limits l;
    l.maxCallDepth = 200;
    l.maxStringLength = 1 << 20;
    l.maxArrayLength = 1 << 16;
    e.setLimits(l);
    e.setOutput([](const QString &) {});
    e.setUnitLoader([](const QString &) -> std::optional<QString> {
        return QStringLiteral("procedure FromUnit; begin end;");
    });
    for (const char *decl : {"procedure Sleep(Milliseconds: Integer)",
                             "function DeleteFile(const FileName: string): Boolean",
                             "function RenameFile(const OldName, NewName: string): Boolean",
                             "function RemoveDir(const Dir: string): Boolean",
                             "function CreateDir(const Dir: string): Boolean",
                             "function ForceDirectories(Dir: string): Boolean",
                             "function SetCurrentDir(const Dir: string): Boolean"})
        e.addFunction(QString::fromLatin1(decl), [](Args &) { return Value(false); });
    e.addClass(QStringLiteral("TStrings"))
            .method(QStringLiteral("procedure SaveToFile(const FileName: string)"),
                    [](Object &, Args &) { return Value(); });
}
