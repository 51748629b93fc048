// Page loads: the first load after a server answer measures the page and places the window or runs the
// mode's action; every load hooks the clicks; later loads fill the install folder field.
#include <gtest/gtest.h>

#include "core/installer_state.h"
#include "core/json.h"
#include "platform/platform.h"
#include "support/page_harness.h"
#include "support/scoped_env.h"
#include "ui/browser_host.h"

namespace tilvo {
namespace {

using platform::ElementKind;
using testing::FakeDocument;
using testing::PageHarness;
using testing::ScopedEnv;

const char* kUpdateUrl = "http://127.0.0.3/inst/update.html";

// An install page of 744 x 528 with the install folder field.
std::shared_ptr<FakeDocument> installPage() {
  auto doc = std::make_shared<FakeDocument>();
  doc->pageMetrics = {true, 0, 0, 744, 528, 744, 528};  // the window is still of size zero
  doc->add("INPUT", "icon_file", ElementKind::Input).withValue("D:\\Elsewhere\\");
  return doc;
}

TEST(WebBrowserDocumentComplete, TheFirstTopLevelLoadSizesAndCentresTheWindow) {
  ScopedEnv screen("TILVO_SCREEN", "1920x1080");
  PageHarness h;
  auto page = installPage();
  h.browser().load(page);

  // A frame completing first is no first load: it hooks the clicks and fills the field.
  h.browser().complete("http://127.0.0.3/inst/banner.html", false);
  EXPECT_FALSE(h.form().FDocComp);
  EXPECT_TRUE(h.browser().hasClickSink());
  EXPECT_EQ(page->find("icon_file")->value(), "C:\\Tilvo launcher\\");
  EXPECT_EQ(platform::window().width(), 0);

  h.browser().complete(PageHarness::kInstallUrl, true);
  EXPECT_TRUE(h.form().FDocComp);
  EXPECT_EQ(PageWidth, 744);
  EXPECT_EQ(PageHeight, 528);
  auto& window = platform::window();
  EXPECT_EQ(window.width(), 744);
  EXPECT_EQ(window.height(), 528);
  EXPECT_EQ(window.left(), 960 - 372);
  EXPECT_EQ(window.top(), 540 - 264);
  EXPECT_TRUE(h.sandbox().log().contains("Explorer DocumentComplete :  " + std::string(PageHarness::kInstallUrl)));
  EXPECT_EQ(page->find("icon_file")->writes.size(), 1u);  // the first load does not fill the field

  // A later top-level load (the window keeps its size) overwrites a folder chosen meanwhile.
  InstallPath = "D:\\Games\\Tilvo launcher\\";
  auto next = installPage();
  next->pageMetrics = {true, 744, 528, 900, 900, 900, 900};
  h.show(next, "http://127.0.0.3/inst/install2.html");
  EXPECT_EQ(next->find("icon_file")->value(), "C:\\Tilvo launcher\\");
  EXPECT_EQ(InstallPath, "C:\\Tilvo launcher\\");
  EXPECT_EQ(PageWidth, 744);
  EXPECT_EQ(window.width(), 744);

  // After a server answer the next load counts as a first load again, measured in the sized window.
  h.form().FDocComp = false;
  h.show(next, "http://127.0.0.1/inst/install.html");
  EXPECT_EQ(PageWidth, 900);
  EXPECT_EQ(window.width(), 900);
}

TEST(WebBrowserDocumentComplete, ABlankPageChangesNothing) {
  PageHarness h;
  h.show(installPage(), "about:blank");
  h.browser().complete("http://x/frame.html?about:blank", false);
  EXPECT_FALSE(h.form().FDocComp);
  EXPECT_FALSE(h.browser().hasClickSink());
  EXPECT_EQ(PageWidth, 0);
  EXPECT_EQ(h.browser().page->find("icon_file")->value(), "D:\\Elsewhere\\");
}

TEST(WebBrowserDocumentComplete, WithoutADocumentTheFirstLoadStillRunsAndLaterLoadsFail) {
  PageHarness h;
  PageWidth = 640;
  h.browser().load(nullptr);  // a page host without a document model
  h.browser().complete(PageHarness::kInstallUrl, true);
  EXPECT_TRUE(h.form().FDocComp);
  EXPECT_EQ(PageWidth, 640);  // nothing measured: the last size stays
  EXPECT_FALSE(h.browser().hasClickSink());
  h.browser().complete(PageHarness::kInstallUrl, true);
  EXPECT_TRUE(h.sandbox().log().contains("ProcessExcept : Invalid HTML document"));

  auto bodiless = installPage();
  bodiless->body = false;
  h.show(bodiless);
  EXPECT_TRUE(h.sandbox().log().contains("ProcessExcept : Can't find <body> element"));
}

TEST(WebBrowserDocumentComplete, UpdateModeStartsTheDownloadOnlyOnTheUpdatePage) {
  for (const char* mode : {"update", "UPDATE", "Update_Silent"}) {
    PageHarness h({mode, "C:\\Tilvo launcher\\"});
    ServerConfig = ParseJson(std::string("{\"update_url\": \"") + kUpdateUrl + "\"}");
    h.show(installPage(), kUpdateUrl);
    EXPECT_TRUE(h.form().Timer_DownLoad->enabled()) << mode;
    EXPECT_EQ(platform::window().width(), 0) << mode;
    EXPECT_FALSE(platform::loop().quitRequested()) << mode;
  }
  for (const char* loaded : {"http://127.0.0.3/inst/update.html/", "http://127.0.0.3/inst/Update.html"}) {
    PageHarness h({"update", "C:\\Tilvo launcher\\"});
    ServerConfig = ParseJson(std::string("{\"update_url\": \"") + kUpdateUrl + "\"}");
    h.show(installPage(), loaded);
    EXPECT_FALSE(h.form().Timer_DownLoad->enabled()) << loaded;
    EXPECT_TRUE(platform::loop().quitRequested()) << loaded;
  }
  PageHarness h({"update_silent", "C:\\X"});  // no "update_url": nothing matches
  ServerConfig = ParseJson("{}");
  h.show(installPage(), kUpdateUrl);
  EXPECT_TRUE(platform::loop().quitRequested());
}

TEST(WebBrowserDocumentComplete, AnyOtherModeOnlyPlacesTheWindow) {
  PageHarness h({"something"});
  h.show(installPage());
  EXPECT_EQ(platform::window().width(), 744);
  EXPECT_FALSE(h.form().Timer_DownLoad->enabled());
  EXPECT_FALSE(h.form().Closed());
}

TEST(Process_FormShow, AsksForDesktopCompositionBeforeWindows8) {
  struct Case {
    const char* version;
    const char* composition;
    bool asks;
  };
  const Case cases[] = {
      {"6.1", "0", true}, {"6.1", "1", false}, {"6.0", "0", true}, {"5.1", "1", true},
      {"6.2", "0", false}, {"10.0", "0", false},
  };
  for (const auto& c : cases) {
    ScopedEnv version("TILVO_WINDOWS_VERSION", c.version);
    ScopedEnv composition("TILVO_COMPOSITION", c.composition);
    PageHarness h;
    auto& shell = h.sandbox().recordShell();
    ServerConfig = ParseJson(R"({"areo_page": "http://127.0.0.1/aero.html"})");
    PageWidth = 744;
    PageHeight = 528;
    h.form().Process_FormShow();
    h.form().Process_FormShow();  // asked again every time
    const std::string label = std::string(c.version) + "/" + c.composition;
    EXPECT_EQ(platform::window().width(), 744) << label;
    if (!c.asks) {
      EXPECT_TRUE(h.messages().empty()) << label;
      EXPECT_TRUE(shell.calls.empty()) << label;
      continue;
    }
    ASSERT_EQ(h.messages().size(), 2u) << label;
    EXPECT_EQ(h.messages()[0], "Aero 기능이 활성화 되어 있어야 합니다");
    ASSERT_EQ(shell.calls.size(), 2u) << label;
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(shell.calls[0].file, "iexplore.exe");
    EXPECT_EQ(shell.calls[0].parameters, "http://127.0.0.1/aero.html");
  }
}

TEST(IsWindows8OrLater, NamesTheSystemWhenItHolds) {
  {
    ScopedEnv version("TILVO_WINDOWS_VERSION", "10.0");
    PageHarness h;
    EXPECT_TRUE(IsWindows8OrLater());
    EXPECT_TRUE(h.sandbox().log().contains("Windows 10, 10, 0"));
  }
  {
    ScopedEnv version("TILVO_WINDOWS_VERSION", "6.1");
    PageHarness h;
    EXPECT_FALSE(IsWindows8OrLater());
    EXPECT_FALSE(h.sandbox().log().contains("Windows 7"));
  }
}

}  // namespace
}  // namespace tilvo
