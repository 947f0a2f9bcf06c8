// The host probe and the gates: the paths inside the host folder and what the host INI says,
// then the checks that refuse or hold the run before anything is written into the host folder.

#include "setup/setup.h"

namespace {

constexpr char kMinimumVersion[] = "41";

// A plain comparison of texts byte by byte as unsigned characters; a prefix sorts first.
int CompareText(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

static_assert(sizeof "Quorlin version must be 41 or newer.\rYour version is " + (HostVersionSize - 1) +
                      sizeof ".\r\rYou can download the newest Quorlin version from " + sizeof LEXORIN_DOWNLOAD_SITE -
                      2 <=
                  MessageTextSize,
              "the version message must fit MessageText with this download site");

}  // namespace

void ProbeHost() {
  char engine[16];
  JoinText(engine, sizeof engine, {"ssce", EngineVersionTag, WidthTag, ".dll"});
  ComposeHostPath(Setup.HostIniPath, "quorlin.ini");
  ComposeHostPath(Setup.HelpFilePath, "ssce.hlp");
  ComposeHostPath(Setup.EnginePath, engine);

  // Any value at all names a 16-bit engine; the version buffer serves for reading it.
  SysGetPrivateProfileString("Spell Check", "Engine16", "", Setup.HostVersion, HostVersionSize, Setup.HostIniPath);
  Setup.Is16BitHost = Setup.HostVersion[0] != 0;

  SysGetPrivateProfileString("Common", "Version", "", Setup.HostVersion, HostVersionSize, Setup.HostIniPath);
  if (Setup.HostVersion[0] == 0) {
    SysGetPrivateProfileString("Quorlin", "Version", "", Setup.HostVersion, HostVersionSize, Setup.HostIniPath);
  }

  Setup.UserKeyListLength = static_cast<int32_t>(
      SysGetPrivateProfileString("Users", nullptr, "", Setup.UserKeyList, UserKeyListSize, Setup.HostIniPath));
}

void CheckHostGates() {
  if (CompareText(Setup.HostVersion, kMinimumVersion) < 0) {
    if (Setup.HostVersion[0] == 0) {
      ComposeMessage({"Your Quorlin version could not be determined.\r\r",
                      "If you have just now installed it, you need to first run it once ",
                      "and then run this program again."});
    } else {
      ComposeMessage({"Quorlin version must be 41 or newer.\rYour version is ", Setup.HostVersion,
                      ".\r\rYou can download the newest Quorlin version from ", DownloadSite});
    }
    FailAndExit(Setup.MessageText, "Error");
  }
  if (Setup.Is16BitHost) {
    ComposeMessage({"Wrong setup program. \r\r",
                    "You have a 16-bit Quorlin and are trying to run the 32-bit Lexorin setup program."});
    FailAndExit(Setup.MessageText, "Error");
  }
  WaitForHostClosed();
}

void WaitForHostClosed() {
  for (;;) {
    const bool main = SysFindTopLevelWindow("Quorlin");
    const bool userSelection = SysFindTopLevelWindow("Select Quorlin User");
    if (!main && !userSelection) return;
    ComposeMessage({"The installation cannot continue before Quorlin is closed.\r",
                    "Please do so and then press OK to continue."});
    ConfirmInLoopOrExit(Setup.MessageText, "Quorlin is running");
  }
}
