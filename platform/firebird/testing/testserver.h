#pragma once

#include <QString>

namespace fb {

// The Firebird server on loopback (127.0.0.1:3050) for client-server tests, started by
// scripts/start-firebird-server. The SYSDBA password comes from VELMOR_FB_PASSWORD or from
// /etc/firebird/3.0/SYSDBA.password, which only root can read.
class TestServer
{
public:
    static QString sysdbaPassword();
    static bool reachable();
    // Empty when a server test can run, otherwise why it must be skipped.
    static QString unavailableReason();
    // Lets the server process (another user) create its database file in a test's folder.
    static void shareFolder(const QString &path);
};

} // namespace fb
