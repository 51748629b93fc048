#include "core/startup.h"

#include <stdexcept>

#include "core/command_line.h"
#include "core/debug_log.h"
#include "core/edition_table.h"
#include "core/installer_state.h"
#include "core/process_control.h"
#include "core/settings_file.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

// Whether the message loop shows the window when it starts (not in silent install and restart mode).
bool showMainWindow = true;

}  // namespace

bool IsSilentSwitch(const std::string& lowerArgument) {
  return lowerArgument == "/s" || lowerArgument == "/silent" || lowerArgument == "-s" || lowerArgument == "-silent";
}

int GetIEVersion() {
  const auto value = platform::registry().readValue(platform::RootKey::LocalMachine,
                                                    "SOFTWARE\\MicroSoft\\Internet Explorer", "Version");
  const std::string text = value && value->type == platform::RegType::String ? value->text : std::string();
  long long major = 0;
  // Characters 3 and 4: "9.11.x" is 11, "9.10.x" is 10; "8.0.x" reads "0." and is no number.
  if (text.size() < 3 || !TryStrToInt64(text.substr(2, 2), major)) return 6;
  return static_cast<int>(major);
}

void SetBrowserEmulation() {
  try {
    auto& registry = platform::registry();
    const std::string key = "\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
    if (!registry.createKey(platform::RootKey::CurrentUser, key)) return;
    const int version = GetIEVersion() * 1000;
    DebugLog(false, Format("ie ver : %d", version));
    registry.writeValue(platform::RootKey::CurrentUser, key, ExtractFileName(platform::systemInfo().executablePath()),
                        platform::RegValue::dwordValue(static_cast<uint32_t>(version)));
  } catch (const std::exception&) {
    // A browser emulation that cannot be set changes nothing else.
  }
}

TfInstUpdate::TfInstUpdate() {
  auto& loop = platform::loop();
  Timer_DownLoad = loop.createTimer(100);
  Timer_Exit = loop.createTimer(500);
  Timer_Progress = loop.createTimer(1);
  Timer_Input_Theme = loop.createTimer(100);
  Timer_Progress_GoogleDrive = loop.createTimer(1);
  Timer_DownLoad->setName("Timer_DownLoad");
  Timer_Exit->setName("Timer_Exit");
  Timer_Progress->setName("Timer_Progress");
  Timer_Input_Theme->setName("Timer_Input_Theme");
  Timer_Progress_GoogleDrive->setName("Timer_Progress_GoogleDrive");
  Timer_Exit->setOnTimer([this] { RunHandler([this] { Timer_ExitTimer(); }); });
  Timer_Progress_GoogleDrive->setOnTimer([this] { RunHandler([this] { Timer_Progress_GoogleDriveTimer(); }); });
  Timer_Input_Theme->setOnTimer([this] { RunHandler([this] { Timer_Input_ThemeTimer(); }); });
  platform::browser().setOnDocumentComplete([this](const std::string& url, bool topLevel) {
    RunHandler([&] { WebBrowserDocumentComplete(url, topLevel); });
  });
  Timer_DownLoad->setOnTimer([this] { RunHandler([this] { Timer_DownLoadTimer(); }); });
  Timer_Progress->setOnTimer([this] { RunHandler([this] { Timer_ProgressTimer(); }); });
  platform::window().setCaption("Mero Install & Update");
  platform::window().setOnCloseRequest([this] { RunHandler([this] { Close(); }); });
}

TfInstUpdate::~TfInstUpdate() {
  if (fInstUpdate == this) fInstUpdate = nullptr;
}

void TfInstUpdate::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ProcessExcept(e);
  } catch (...) {
    ProcessExcept(std::runtime_error("unknown error"));
  }
}

void TfInstUpdate::ProcessExcept(const std::exception& E) { DebugLog(false, std::string("ProcessExcept : ") + E.what()); }

void TfInstUpdate::FormCreate() {
  // 1. ProcessExcept handles what escapes a handler: RunHandler routes every handler through it.
  AppDir = ExtractFilePath(platform::systemInfo().executablePath());  // 2.
  DebugMode = ReadSetupBool("is_debug");                              // 3.
  const std::string mode = LowerCase(ParamStr(1));
  FSilentInst = IsSilentSwitch(mode);  // 4.

  const bool restart = mode == "restart";  // 5.
  if (restart || FSilentInst) {
    platform::window().setToolWindow(true);  // a tool window that never activates: no taskbar button
    showMainWindow = false;
    if (restart) {
      ProcessKill(ParamStr(2));
      platform::shell().execute("open", ParamStr(2), "", "", platform::ShowCommand::ShowNormal);
    }
  }

  FRestart_Launcher = false;  // 6.
  if (restart) {
    platform::loop().quit();
    return;
  }

  const std::string base = ExtractFileBaseName(InstallerExeName);  // 7.
  const std::string launcherBase = StringReplaceAll(StringReplaceAll(base, "_install", ""), "_Install", "");
  LauncherSubExe = launcherBase + "_m.exe";
  LauncherExe = launcherBase + ".exe";
  FThemeName = "default";                                  // 8.
  LauncherName = LauncherNameForEdition(PcType, launcherBase);  // 9.
  InstallPath = "C:\\" + LauncherName + "\\";             // 10.
  DebugLog(false, base + "," + LauncherExe);               // 11.
  SetBrowserEmulation();                                   // 12.
  CheckServer_Thread_Create();                             // 13.
  platform::window().setSize(0, 0);                        // 14.
  FInstAgreed = false;                                     // 15.
  DebugLog(false, Format("FormCreate  ParamStr(1): %s, ParamStr(2): %s, ParamStr(3): %s",  // 16.
                         ParamStr(1).c_str(), ParamStr(2).c_str(), ParamStr(3).c_str()));
}

void TfInstUpdate::FormClose() { ServerConfig.reset(); }

void TfInstUpdate::Timer_ExitTimer() { Close(); }

void TfInstUpdate::Close() {
  if (closed_) return;
  closed_ = true;
  FormClose();
  platform::window().destroy();
  platform::loop().quit();
}

int RunProgram() {
  PcType = "mero";
  InstallerExeName = "Tilvo_install.exe";
  FtpBaseUrl = DefaultFtpBaseUrl();
  showMainWindow = true;

  TfInstUpdate form;
  fInstUpdate = &form;
  form.RunHandler([&form] { form.FormCreate(); });
  for (const auto& setting : platform::current().settings) DebugLog(false, "setting " + setting);

  auto& loop = platform::loop();
  if (!loop.quitRequested() && showMainWindow) platform::window().show();
  loop.run();
  fInstUpdate = nullptr;
  return 0;
}

}  // namespace tilvo
