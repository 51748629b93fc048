#include "ui/browser_host.h"

#include <stdexcept>

#include "core/command_line.h"
#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "core/text.h"
#include "platform/platform.h"
#include "ui/html_document.h"

namespace tilvo {

std::string WindowsVersionName(unsigned major, unsigned minor) {
  struct Version {
    unsigned major, minor;
    const char* name;
  };
  static constexpr Version kVersions[] = {
      {5, 0, "Windows 2000"}, {5, 1, "Windows XP"}, {5, 2, "Windows XP"},  {6, 0, "Windows Vista"},
      {6, 1, "Windows 7"},    {6, 2, "Windows 8"},  {6, 3, "Windows 8.1"}, {10, 0, "Windows 10"},
  };
  for (const auto& v : kVersions)
    if (v.major == major && v.minor == minor) return v.name;
  return "Windows";
}

bool IsWindows8OrLater() {
  auto& system = platform::systemInfo();
  const unsigned major = system.windowsMajorVersion();
  const unsigned minor = system.windowsMinorVersion();
  const bool later = major > 6 || (major == 6 && minor >= 2);
  if (later)
    DebugLog(false, Format("%s, %d, %d", WindowsVersionName(major, minor).c_str(), static_cast<int>(major),
                           static_cast<int>(minor)));
  return later;
}

bool IsAeroEnabled() {
  if (platform::systemInfo().windowsMajorVersion() < 6) return false;
  return platform::window().compositionEnabled();
}

void TfInstUpdate::WebBrowserDocumentComplete(const std::string& URL, bool topLevel) {
  if (URL.find("about:blank") != std::string::npos) return;
  auto& browser = platform::browser();
  if (const auto document = browser.document()) {
    DebugLog(false, Format("Explorer DocumentComplete :  %s", URL.c_str()));
    if (!document->isHtml()) throw std::runtime_error("Interface not supported");
    // Each completion, frames included, hooks the top-level document again. A command's error ends with
    // ProcessExcept; nothing goes back into the page.
    browser.setClickSink([this](const std::shared_ptr<platform::HtmlDocument>& doc) {
      RunHandler([&] { Document_OnMouseClick(doc); });
    });
  }

  if (topLevel && !FDocComp) {
    FDocComp = true;
    // A page that cannot be measured leaves the last size.
    if (const auto size = GetPageSize(browser)) {
      PageWidth = size->width;
      PageHeight = size->height;
    }
    const std::string mode = LowerCase(ParamStr(1));
    if (mode == "update" || mode == "update_silent") {
      if (JsonReadText(ServerConfig, "update_url") == URL)
        Timer_DownLoad->setEnabled(true);
      else
        platform::loop().quit();  // the application ends; the window is not closed first
    } else if (mode == "-uninstall") {
      Process_FormShow();
      Process_Uninstall();
    } else {
      Process_FormShow();
    }
    return;
  }

  const auto field = GetInputElementById(browser.document(), "icon_file");
  if (!field) return;
  InstallPath = "C:\\" + LauncherName + "\\";
  field->setValue(InstallPath);
}

void TfInstUpdate::Process_FormShow() {
  auto& window = platform::window();
  window.setSize(PageWidth, PageHeight);
  const platform::Rect screen = window.primaryScreen();
  window.setPosition(screen.left + (screen.width / 2 - window.width() / 2),
                     screen.top + (screen.height / 2 - window.height() / 2));
  if (IsWindows8OrLater() || IsAeroEnabled()) return;
  platform::messageBoxes().show("Aero 기능이 활성화 되어 있어야 합니다");
  platform::shell().execute("open", "iexplore.exe", JsonReadText(ServerConfig, "areo_page"), "",
                            platform::ShowCommand::Show);
}

}  // namespace tilvo
