// The page host on the display: a real GTK window with a real WebKit view, driven like a user would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "desktop.h"
#include "page_geometry.h"
#include "platform/linux/glib_main_loop.h"
#include "platform/linux/gtk_window.h"
#include "platform/linux/webkit_browser.h"

namespace tilvo::platform::linux_host {
namespace {

using testing::clickAt;

struct Completion {
  std::string url;
  bool topLevel = false;
  std::shared_ptr<HtmlDocument> document;  // the top-level document as the handler saw it
};

std::shared_ptr<HtmlElement> elementById(const std::shared_ptr<HtmlDocument>& doc, const std::string& id) {
  if (!doc) return nullptr;
  for (const auto& e : doc->elementsForIdLookup())
    if (e->id() == id) return e;
  return nullptr;
}

class WebKitBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(openGtkDisplay()) << "needs a display (the e2e tests run under xvfb-run)";
    loop = createGlibMainLoop();
    window = createGtkWindow(*loop, std::nullopt);
    browser = createWebKitBrowser(*window, *loop);
    browser->setOnDocumentComplete([this](const std::string& url, bool topLevel) {
      completions.push_back({url, topLevel, browser->document()});
      if (topLevel && attachSinkOnLoad) browser->setClickSink([this](const auto& doc) { clicks.push_back(doc); });
    });
    window->setPosition(50, 60);
    window->show();
  }

  static std::string page(const std::string& name) {
    return std::string("file://") + TILVO_SOURCE_DIR + "/tests/e2e/pages/" + name;
  }

  bool pumpUntil(const std::function<bool()>& done, int milliseconds = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      loop->processPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  void pumpFor(int milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
  }

  // Loads `name` and waits for its top-level completion.
  void load(const std::string& name) {
    const size_t before = completions.size();
    browser->navigate(page(name));
    ASSERT_TRUE(pumpUntil([&] {
      for (size_t i = before; i < completions.size(); ++i)
        if (completions[i].topLevel) return true;
      return false;
    })) << name;
  }

  std::unique_ptr<MainLoop> loop;
  std::unique_ptr<GtkMainWindow> window;
  std::unique_ptr<Browser> browser;
  std::vector<Completion> completions;
  std::vector<std::shared_ptr<HtmlDocument>> clicks;
  bool attachSinkOnLoad = true;
};

TEST_F(WebKitBrowserTest, ReportsEveryFrameThenTheTopDocumentWithTheTopDocumentToRead) {
  window->setSize(400, 300);
  load("host.html");
  ASSERT_EQ(completions.size(), 2u);
  EXPECT_EQ(completions[0].url, page("frame.html"));
  EXPECT_FALSE(completions[0].topLevel);
  EXPECT_EQ(completions[1].url, page("host.html"));
  EXPECT_TRUE(completions[1].topLevel);
  // At the frame's completion the logic reads the top-level document, not the frame's.
  for (const auto& c : completions) {
    const auto field = elementById(c.document, "icon_file");
    ASSERT_TRUE(field) << c.url;
    EXPECT_EQ(field->kind(), ElementKind::Input);
    EXPECT_EQ(field->value(), "start");
    EXPECT_FALSE(elementById(c.document, "inner"));
  }
  const auto doc = completions[1].document;
  EXPECT_TRUE(doc->isHtml());
  ASSERT_TRUE(doc->hasBody());
  EXPECT_EQ(doc->metrics().htmlClientWidth, 400);
  EXPECT_EQ(doc->metrics().bodyScrollWidth, 400);
  EXPECT_EQ(doc->metrics().bodyScrollHeight, 300);
  EXPECT_FALSE(doc->eventSource());
}

TEST_F(WebKitBrowserTest, ClicksInTheTopDocumentReachTheSinkWithTheClickedElement) {
  const auto rects = testing::elementRects(page("host.html"), 400, 300, {"#btn", "#plain", "#frame"});
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects.at("#btn").x, 20);  // the page's own layout
  EXPECT_EQ(rects.at("#btn").width, 100);
  auto clickOn = [&](const char* selector) {
    const auto& r = rects.at(selector);
    clickAt(50 + r.x + r.width / 2, 60 + r.y + r.height / 2);
  };
  window->setSize(400, 300);
  load("host.html");
  pumpFor(300);  // the window is mapped and placed

  clickOn("#btn");
  ASSERT_TRUE(pumpUntil([&] { return clicks.size() == 1; }));
  auto source = clicks[0]->eventSource();
  ASSERT_TRUE(source);
  EXPECT_EQ(source->tagName(), "BUTTON");
  EXPECT_EQ(source->id(), "btn");
  EXPECT_EQ(source->alt(), "type=close,x=1");
  EXPECT_TRUE(elementById(clicks[0], "icon_file"));  // the rest of the page comes with the click

  clickOn("#plain");  // every element is reported; the logic filters
  ASSERT_TRUE(pumpUntil([&] { return clicks.size() == 2; }));
  EXPECT_EQ(clicks[1]->eventSource()->tagName(), "DIV");

  clickOn("#frame");  // the button inside the frame
  pumpFor(700);
  EXPECT_EQ(clicks.size(), 2u) << "a click in a frame reached the top document's sink";
}

TEST_F(WebKitBrowserTest, ANewDocumentHasNoSinkUntilOneIsAttached) {
  window->setSize(400, 300);
  load("host.html");
  attachSinkOnLoad = false;
  load("host.html");
  pumpFor(300);
  clickAt(50 + 70, 60 + 40);
  pumpFor(700);
  EXPECT_TRUE(clicks.empty());
  browser->setClickSink([this](const auto& doc) { clicks.push_back(doc); });
  clickAt(50 + 70, 60 + 40);
  ASSERT_TRUE(pumpUntil([&] { return clicks.size() == 1; }));
}

TEST_F(WebKitBrowserTest, RunsScriptsInThePageAndTellsWhetherTheyRanWithoutAnError) {
  window->setSize(400, 300);
  load("host.html");
  std::string error;
  EXPECT_TRUE(browser->execScript("greet(\"x\")", error)) << error;  // its value (a node) is never read
  EXPECT_FALSE(browser->execScript("nosuch(\"x\")", error));
  EXPECT_NE(error.find("nosuch"), std::string::npos) << error;
  EXPECT_FALSE(browser->execScript("fail()", error));
  EXPECT_NE(error.find("boom"), std::string::npos) << error;
  EXPECT_FALSE(browser->execScript("select_theme(\"a\"b\")", error));
  EXPECT_NE(error.find("SyntaxError"), std::string::npos) << error;

  // A value written by the logic is in the page at once.
  const auto field = elementById(browser->document(), "icon_file");
  ASSERT_TRUE(field);
  field->setValue("C:\\Tilvo launcher\\ \"quoted\" </script>");
  EXPECT_TRUE(browser->execScript("checkValue('icon_file', 'C:\\\\Tilvo launcher\\\\ \"quoted\" </script>')", error))
      << error;
}

TEST_F(WebKitBrowserTest, NoEventOfTheLogicRunsWhileAScriptCallWaits) {
  window->setSize(400, 300);
  load("host.html");
  bool ran = false;
  loop->post([&] { ran = true; });
  std::string error;
  EXPECT_TRUE(browser->execScript("greet(\"y\")", error));
  EXPECT_FALSE(ran);
  ASSERT_TRUE(pumpUntil([&] { return ran; }));
}

TEST_F(WebKitBrowserTest, GoesBackToThePreviousPage) {
  window->setSize(400, 300);
  load("host.html");
  load("second.html");
  EXPECT_TRUE(elementById(browser->document(), "second"));
  const size_t before = completions.size();
  browser->goBack();
  ASSERT_TRUE(pumpUntil([&] { return completions.size() > before && completions.back().topLevel; }));
  EXPECT_EQ(completions.back().url, page("host.html"));
  EXPECT_TRUE(elementById(browser->document(), "icon_file"));
  // The page came back from the history: clicks are reported again once a sink is attached.
  pumpFor(300);
  clicks.clear();
  clickAt(50 + 70, 60 + 40);
  ASSERT_TRUE(pumpUntil([&] { return clicks.size() == 1; }));
}

TEST_F(WebKitBrowserTest, AWindowOfSizeZeroMeasuresLikeAViewportOfSizeZero) {
  window->setSize(0, 0);
  load("hidden_overflow.html");
  const PageMetrics m = completions.back().document->metrics();
  EXPECT_EQ(m.htmlClientWidth, 0);
  EXPECT_EQ(m.htmlClientHeight, 0);
  EXPECT_EQ(m.bodyScrollWidth, 640);
  EXPECT_EQ(m.bodyScrollHeight, 480);
}

TEST_F(WebKitBrowserTest, APageThatCannotBeFetchedCompletesUnderAnAddressOfItsOwn) {
  const std::string unreachable = "http://127.0.0.1:39/inst/update.html";  // nothing listens there
  browser->navigate(unreachable);
  ASSERT_TRUE(pumpUntil([&] { return !completions.empty(); }));
  EXPECT_TRUE(completions.back().topLevel);
  EXPECT_NE(completions.back().url, unreachable);
  EXPECT_EQ(completions.back().url.rfind("neterror:", 0), 0u) << completions.back().url;
  EXPECT_EQ(completions.back().url.find("about:blank"), std::string::npos);
}

}  // namespace
}  // namespace tilvo::platform::linux_host
