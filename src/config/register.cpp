// The host's engine entries: which engine library the host loads, and where the engine finds its
// help file and its main lexicons.

#include "config/config.h"
#include "setup/setup.h"

void RegisterEngine() {
  // The results are not looked at: the host reports a missing entry itself when it starts.
  SysWritePrivateProfileString("Spell Check", "Engine32", Setup.EnginePath, Setup.HostIniPath);
  SysWritePrivateProfileString("SSCE", "HelpFile", Setup.HelpFilePath, Setup.HostIniPath);
  SysWritePrivateProfileString("SSCE", "MainLexPath", Setup.HostDir, Setup.HostIniPath);
  SysWritePrivateProfileString("SSCE", "MainLexFiles", "SSCEAM.TLX,SSCEAM2.CLX", Setup.HostIniPath);
}
