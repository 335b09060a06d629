#pragma once

// The plug-in library that tests load: libvelmtest_plugin.so in VELMOR_TEST_PLUGIN_DIR.
//
// Manifest: ProgId "VelmTest.VelmPlugin", ClassId {6A885A9B-6FAA-49FF-8CC1-79D67B055C65},
// TypeLibrary and FriendlyName "VelmTest", LoadBehavior 0. Its log lines name it "VelmTest".
//
// Execute, by the entry "Action":
//   "Echo"         returns the entry "Value", or true when there is none
//   "Fail"         throws LxError with the entry "Message" (default "VelmTest failed")
//   "Throw"        throws std::runtime_error("VelmTest threw") (reaches the caller as LxError)
//   "Log"          writes the entry "Message" through Application()->Log and returns true;
//                  LxError "VelmTest has no application" before Init
//   "Tag"          names this object by the entry "Value" for the BeforeApplClose log line
//   "RefuseClose"  this object answers BeforeApplClose with false from now on (with the entry
//                  "Value" false: with true again); returns true
//   anything else  returns false
// BeforeApplClose logs "VelmTest BeforeApplClose <tag>" at elInfo and answers false when told
// so by "RefuseClose" or when the registry value "RefuseClose" below
// rgPluginsKey()\VelmTest.VelmPlugin is "1".

#include <velmplugin.h>

class TTestPlugin : public TVelmPlugin
{
public:
    TTestPlugin();

protected:
    QVariant DoExecute(ILxParams *params) override;
    bool DoBeforeApplClose() override;

private:
    QString m_tag;
    bool m_refuseClose = false;
};
