// The installer as a user meets it: the real binary on a virtual display, with the real browser engine,
// against the local update service; clicks land where the user would put the pointer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "core/json.h"
#include "desktop.h"
#include "page_geometry.h"
#include "support/helper_process.h"
#include "support/installer_process.h"
#include "support/running_programs.h"
#include "support/sandbox.h"
#include "support/update_service.h"

namespace tilvo {
namespace {

using namespace std::chrono_literals;
using testing::FindLine;
using testing::InstallerOptions;
using testing::InstallerProcess;
using testing::ScreenRect;
using testing::UpdateService;

const std::string kWindow = "Mero Install & Update";
constexpr int kPageWidth = 744, kPageHeight = 528;  // the install page's panel

InstallerProcess startInstaller(const UpdateService& service, std::vector<std::string> arguments) {
  InstallerOptions options;
  options.arguments = std::move(arguments);
  options.environment = {"TILVO_CONNECTED=1", "TILVO_TRACE_TIMERS=1", "TILVO_SERVER_HOSTS=" + service.hostsEnv(),
                         std::string("DISPLAY=") + std::getenv("DISPLAY")};
  return InstallerProcess(TILVO_INSTALLER, options);
}

std::string completion(const std::string& url) { return "Explorer DocumentComplete :  " + url; }

// The installer's window once it has the size asked for.
std::optional<ScreenRect> waitForWindow(int width, int height, std::chrono::milliseconds limit = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto window = testing::findWindow(kWindow);
    if (window && window->width == width && window->height == height) return window;
    std::this_thread::sleep_for(50ms);
  }
  return std::nullopt;
}

// Clicks the middle of `element` (page coordinates) in the window.
void clickIn(const ScreenRect& window, const ScreenRect& element) {
  testing::clickAt(window.x + element.x + element.width / 2, window.y + element.y + element.height / 2);
}

// Waits for a line holding `fragment` after the line holding `after`.
bool waitForLineAfter(InstallerProcess& installer, const std::string& after, const std::string& fragment) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto log = installer.log();
    const int from = FindLine(log, after);
    if (from >= 0 && FindLine(log, fragment, from + 1) > from) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

// On the install page: ticks the agreement, then clicks Install.
void agreeAndInstall(const UpdateService& service, InstallerProcess& installer, const ScreenRect& window) {
  const std::string page = service.url(3, "/inst/install.html");
  const auto rects = testing::elementRects(page, kPageWidth, kPageHeight, {"#chk_agree", "#install"});
  clickIn(window, rects.at("#chk_agree"));
  ASSERT_TRUE(waitForLineAfter(installer, "MeroInst MouseClick: element.tagName : INPUT, chk_agree", "True"));
  clickIn(window, rects.at("#install"));
}

// The themes the service offers, in the order the installer sends them.
std::vector<std::string> offeredThemes(const UpdateService& service) {
  const auto config = ParseJson(service.configuration(3));
  return JsonMemberOrder(*JsonReadObject(*config, "theme_url"));
}

TEST(InstallerOnTheDisplay, TheInstallPageTakesItsSizeCentredAndTheUserInstallsFromIt) {
  UpdateService service;
  auto installer = startInstaller(service, {});
  const std::string page = service.url(3, "/inst/install.html");
  ASSERT_TRUE(installer.waitForLog(completion(page), 20s));
  const auto window = waitForWindow(kPageWidth, kPageHeight);
  ASSERT_TRUE(window) << "the window did not take the page's size";
  const ScreenRect screen = testing::screenSize();
  EXPECT_EQ(window->x, screen.width / 2 - kPageWidth / 2);
  EXPECT_EQ(window->y, screen.height / 2 - kPageHeight / 2);
  EXPECT_TRUE(testing::screenshotOncePainted(std::string(TILVO_E2E_ARTIFACTS) + "/install_page.png", *window));

  // The theme button fills the theme list; a picked theme is recorded.
  const auto themes = offeredThemes(service);
  ASSERT_GE(themes.size(), 2u);
  const auto rects = testing::elementRects(page, kPageWidth, kPageHeight,
                                           {"#load_themes", "#chk_agree", "#install", "#close"});
  ASSERT_EQ(rects.size(), 4u);
  clickIn(*window, rects.at("#load_themes"));
  for (const auto& name : themes) ASSERT_TRUE(installer.waitForLog("select_theme(\"" + name + "\")", 10s)) << name;
  EXPECT_TRUE(installer.waitForLog("timer Timer_Input_Theme off", 5s));
  std::vector<std::string> calls;
  for (const auto& name : themes) calls.push_back("select_theme(\"" + name + "\")");
  const std::string picked = themes[1];
  const std::string card = ".theme-card[data-theme='" + picked + "']";
  const auto cards = testing::elementRects(page, kPageWidth, kPageHeight, {card}, calls);
  ASSERT_EQ(cards.size(), 1u);
  clickIn(*window, cards.at(card));
  ASSERT_TRUE(installer.waitForLog("Selected Theme value : " + picked, 10s));

  // The launcher runs from the install folder, among files of an older installation.
  const std::string folder = installer.root() + "/drive_c/Tilvo launcher";
  testing::writeFile(folder + "/old.dll", "old");
  testing::writeFile(folder + "/setup.ini", "[setup]\r\n");
  testing::HelperProcess launcher(folder + "/Tilvo.exe");

  // Ticking the agreement enables Install; a click on it ends the launcher, cleans the folder and requests
  // the download run.
  clickIn(*window, rects.at("#chk_agree"));
  ASSERT_TRUE(waitForLineAfter(installer, "MeroInst MouseClick: element.tagName : INPUT, chk_agree, type=agree",
                               "True"));
  std::this_thread::sleep_for(1500ms);  // the engine repaints a while after the change
  EXPECT_TRUE(testing::screenshotOncePainted(std::string(TILVO_E2E_ARTIFACTS) + "/install_page_ready.png", *window));
  clickIn(*window, rects.at("#install"));
  ASSERT_TRUE(installer.waitForLog("timer Timer_DownLoad on", 10s));
  EXPECT_TRUE(launcher.waitForExit(5000));
  EXPECT_FALSE(std::filesystem::exists(folder + "/old.dll"));
  EXPECT_TRUE(std::filesystem::exists(folder + "/setup.ini"));
  EXPECT_GE(FindLine(installer.log(), "MeroInst MouseClick: element.tagName : BUTTON, install, type=install"), 0);

  clickIn(*window, rects.at("#close"));
  EXPECT_EQ(installer.waitFor(10s), 0);
}

TEST(InstallerOnTheDisplay, AnInteractiveInstallShowsItsProgressOnThePageAndStartsTheLauncher) {
  UpdateService service;
  auto installer = startInstaller(service, {});
  const auto window = waitForWindow(kPageWidth, kPageHeight, 20s);
  ASSERT_TRUE(window);
  ASSERT_NO_FATAL_FAILURE(agreeAndInstall(service, installer, *window));

  // Each refresh shows the run's and the current file's percentage: "<script>, done, to fetch, run".
  ASSERT_TRUE(installer.waitForLog("instinfo(\"", 20s));
  EXPECT_TRUE(testing::screenshotOncePainted(std::string(TILVO_E2E_ARTIFACTS) + "/install_progress.png", *window));
  ASSERT_EQ(installer.waitFor(60s), 0) << "the installer ends by itself after the run";
  const auto log = installer.log();
  EXPECT_GE(FindLine(log, ", 1, 5, 20"), 0);
  const int last = FindLine(log, "instinfo(\"100\",");
  EXPECT_GE(last, 0);
  EXPECT_GE(FindLine(log, ", 5, 5, 100", last), 0);
  EXPECT_LT(FindLine(log, "Javascript error"), 0);

  // Installed, registered with a desktop link (an interactive install asks for one), and running.
  const std::string folder = installer.root() + "/drive_c/Tilvo launcher";
  EXPECT_TRUE(std::filesystem::exists(folder + "/tools/Tilvo_Tool.exe"));
  bool desktopLink = false;
  for (const auto& user : std::filesystem::directory_iterator(installer.root() + "/drive_c/Users"))
    desktopLink = desktopLink || std::filesystem::exists(user.path() / "Desktop" / "Tilvo_Start.lnk");
  EXPECT_TRUE(desktopLink);
  EXPECT_TRUE(testing::waitUntil(5000, [&] { return !testing::ProcessesRunning(folder + "/Tilvo.exe").empty(); }));
  EXPECT_FALSE(testing::windowVisible(kWindow));
}

TEST(InstallerOnTheDisplay, ACloudDriveInstallShowsItsProgressPerFinishedFile) {
  // Every file answered without Content-Length: no percentage during a transfer, only its end.
  UpdateService service({"--cloud-route"});
  const std::vector<std::string> files = {"Tilvo.zip", "Tilvo_Start.zip", "Tilvo_Setup.zip", "Tilvo_install.zip",
                                          "Tilvo_Tool.zip"};
  for (const auto& file : files) service.cloud("/file/" + file + "/chunked");
  auto installer = startInstaller(service, {});
  const auto window = waitForWindow(kPageWidth, kPageHeight, 20s);
  ASSERT_TRUE(window);
  ASSERT_NO_FATAL_FAILURE(agreeAndInstall(service, installer, *window));
  ASSERT_EQ(installer.waitFor(60s), 0) << "the installer ends by itself after the run";

  // The page got the share of finished files, rising to 100; only the files' final messages asked for it.
  const auto log = installer.log();
  std::vector<int> shown;
  for (const auto& line : log) {
    int total = -1, current = -1;
    if (std::sscanf(line.c_str(), "instinfo(\"%d\",\"%d\")", &total, &current) != 2) continue;
    EXPECT_EQ(total, current) << line;
    shown.push_back(total);
  }
  ASSERT_FALSE(shown.empty());
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_EQ(std::set<int>(shown.begin(), shown.end()).size(), shown.size()) << "no refresh without a finished file";
  EXPECT_EQ(shown.back(), 100);
  for (int p : shown) EXPECT_EQ(p % 20, 0) << p;
  EXPECT_LE(testing::CountLines(log, "timer Timer_Progress_GoogleDrive on"), static_cast<int>(files.size()));

  EXPECT_TRUE(service.storeTransfers().empty());
  EXPECT_EQ(testing::CountLines(log, "FileDownLoadComplete : , , True, True, "), 1);
  const std::string folder = installer.root() + "/drive_c/Tilvo launcher";
  EXPECT_TRUE(testing::waitUntil(5000, [&] { return !testing::ProcessesRunning(folder + "/Tilvo.exe").empty(); }));
}

TEST(InstallerOnTheDisplay, TheFolderPickedInTheDialogBecomesTheInstallFolder) {
  UpdateService service;
  auto installer = startInstaller(service, {});
  const std::string page = service.url(3, "/inst/install.html");
  const auto window = waitForWindow(kPageWidth, kPageHeight, 20s);
  ASSERT_TRUE(window);
  std::filesystem::create_directories(installer.root() + "/drive_c/Games");
  const auto rects = testing::elementRects(page, kPageWidth, kPageHeight, {"#browse", "#chk_agree", "#install"});

  // The dialog opens at C:\; the user types the name of a folder there and confirms it.
  clickIn(*window, rects.at("#browse"));
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!testing::windowVisible("Select folder..") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(testing::windowVisible("Select folder.."));
  std::this_thread::sleep_for(500ms);
  testing::pressKeys("ctrl+l");
  testing::typeText("Games");  // completed to "Games/" when it holds a single folder: it holds none yet
  std::this_thread::sleep_for(500ms);
  testing::pressKeys("Return");
  const auto closing = std::chrono::steady_clock::now() + 5s;
  while (testing::windowVisible("Select folder..") && std::chrono::steady_clock::now() < closing)
    std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(testing::windowVisible("Select folder.."));

  // Installing now cleans the launcher's folder under the one picked.
  const std::string target = installer.root() + "/drive_c/Games/Tilvo launcher";
  testing::writeFile(target + "/old.dll", "old");
  clickIn(*window, rects.at("#chk_agree"));
  ASSERT_TRUE(waitForLineAfter(installer, "MeroInst MouseClick: element.tagName : INPUT, chk_agree", "True"));
  clickIn(*window, rects.at("#install"));
  ASSERT_TRUE(installer.waitForLog("timer Timer_DownLoad on", 10s));
  EXPECT_FALSE(std::filesystem::exists(target + "/old.dll"));
}

TEST(InstallerOnTheDisplay, CancelAndClosingTheWindowEndTheProgram) {
  for (const std::string way : {"cancel", "close request"}) {
    UpdateService service;
    auto installer = startInstaller(service, {});
    const std::string page = service.url(3, "/inst/install.html");
    const auto window = waitForWindow(kPageWidth, kPageHeight, 20s);
    ASSERT_TRUE(window) << way;
    if (way == "cancel") {
      const auto rects = testing::elementRects(page, kPageWidth, kPageHeight, {"#cancel"});
      clickIn(*window, rects.at("#cancel"));
    } else {
      ASSERT_TRUE(testing::requestClose(kWindow));
    }
    EXPECT_EQ(installer.waitFor(10s), 0) << way;
    EXPECT_FALSE(testing::windowVisible(kWindow)) << way;
  }
}

TEST(InstallerOnTheDisplay, TheLicensePageGoesBackToTheInstallPage) {
  UpdateService service;
  auto installer = startInstaller(service, {});
  const std::string page = service.url(3, "/inst/install.html");
  const std::string license = service.url(3, "/inst/license.html");
  const auto window = waitForWindow(kPageWidth, kPageHeight, 20s);
  ASSERT_TRUE(window);
  const auto link = testing::elementRects(page, kPageWidth, kPageHeight, {"#license"});
  clickIn(*window, link.at("#license"));
  ASSERT_TRUE(installer.waitForLog(completion(license), 10s));
  const auto back = testing::elementRects(license, kPageWidth, kPageHeight, {"#back"});
  clickIn(*window, back.at("#back"));
  ASSERT_TRUE(waitForLineAfter(installer, completion(license), completion(page)));
  EXPECT_TRUE(waitForWindow(kPageWidth, kPageHeight, 1s));  // later pages keep the window as it is
}

TEST(InstallerOnTheDisplay, UpdateModeLoadsItsPageInAWindowOfSizeZeroAndRequestsTheDownload) {
  UpdateService service;
  auto installer = startInstaller(service, {"update", "C:\\Tilvo launcher\\"});
  ASSERT_TRUE(installer.waitForLog(completion(service.url(3, "/inst/update.html")), 20s));
  ASSERT_TRUE(installer.waitForLog("timer Timer_DownLoad on", 10s));
  const auto window = testing::findWindow(kWindow);
  ASSERT_TRUE(window);
  EXPECT_LE(window->width, 1);  // GTK's smallest window stands for the window of size zero
  EXPECT_LE(window->height, 1);
  EXPECT_FALSE(installer.waitFor(0ms));
}

TEST(InstallerOnTheDisplay, UpdateModeEndsWhenTheLoadedAddressDiffersFromTheUpdateUrl) {
  // The engine loads "/inst/./update.html" as "/inst/update.html": not the address the server named.
  testing::TempFolder folder;
  const std::string config = folder.path() + "/server_config.json";
  testing::writeFile(config, R"({"update_url": "${base_url}/inst/./update.html"})");
  UpdateService service({"--config", config});
  auto installer = startInstaller(service, {"update", "C:\\Tilvo launcher\\"});
  ASSERT_EQ(installer.waitFor(20s), 0);
  EXPECT_GE(FindLine(installer.log(), completion(service.url(3, "/inst/update.html"))), 0);
  EXPECT_LT(FindLine(installer.log(), "timer Timer_DownLoad on"), 0);
}

TEST(InstallerOnTheDisplay, SilentInstallShowsNoWindowAtAll) {
  UpdateService service;
  auto installer = startInstaller(service, {"/S"});
  ASSERT_TRUE(installer.waitForLog("timer Timer_DownLoad on", 20s));
  std::this_thread::sleep_for(500ms);
  EXPECT_FALSE(testing::windowVisible(kWindow));
  EXPECT_EQ(service.count(0, "/inst/install.html"), 0);
  EXPECT_FALSE(installer.waitFor(0ms));
}

TEST(InstallerOnTheDisplay, UninstallModeShowsItsPageAndRunsTheUninstall) {
  UpdateService service;
  auto installer = startInstaller(service, {"-uninstall"});
  ASSERT_TRUE(installer.waitForLog(completion(service.url(3, "/inst/uninstall.html")), 20s));
  const auto window = waitForWindow(480, 240, 1s);  // shown while the uninstall waits its second
  ASSERT_TRUE(window);
  const ScreenRect screen = testing::screenSize();
  EXPECT_EQ(window->x, screen.width / 2 - 240);
  ASSERT_EQ(installer.waitFor(10s), 0);
  const auto log = installer.log();
  // The installer's own folder is the installation: its files go, its setup.ini stays.
  EXPECT_GE(FindLine(log, "DeleteFile "), 0);
  EXPECT_GE(FindLine(log, "Tilvo_install.exe"), 0);
}

}  // namespace
}  // namespace tilvo
