#include "platform/linux/webkit_browser.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstring>
#include <cstdint>
#include <deque>
#include <nlohmann/json.hpp>

#include "platform/linux/page_script.h"
#include "platform/linux/page_snapshot.h"

namespace tilvo::platform::linux_host {
namespace {

// How long a script call may keep the program waiting for the page (a page that shows a dialog, a hung
// web process).
constexpr auto kScriptAnswerTimeout = std::chrono::seconds(10);
constexpr gsize kMaxMessageBytes = 16 * 1024 * 1024;

// Shown instead of a page that could not be fetched. It has an address of its own: a completion must never
// report the address that failed as loaded. Its close button is a page command like any other.
constexpr char kErrorPageScheme[] = "neterror:";
constexpr char kErrorPage[] = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; }
body { width: 480px; height: 200px; box-sizing: border-box; padding: 28px 32px; background: #1d2230; color: #e8ebf2;
       font: 14px/1.5 system-ui, sans-serif; }
h1 { font-size: 18px; margin: 0 0 12px; }
p { margin: 0 0 20px; color: #aab2c5; word-break: break-all; }
button { background: #3b6cff; color: #fff; border: 0; border-radius: 6px; padding: 8px 20px; font-size: 14px; }
</style></head><body>
<h1>The installer page could not be loaded</h1>
<p>{reason}</p>
<button alt="type=close">Close</button>
</body></html>)HTML";

std::string htmlEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A JavaScript string literal holding `s`.
std::string jsString(const std::string& s) {
  return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

struct ScriptCall {
  bool done = false;
  bool ok = false;
  std::string error;
};

struct PendingEvent {
  uint64_t id = 0;
  PageMessage::Kind kind = PageMessage::Kind::Complete;
  std::string url;
  bool topLevel = false;
  uint64_t generation = 0;
  std::shared_ptr<HtmlDocument> document;  // the top-level document as of the event
  bool ready = false;
};

class WebKitBrowser final : public Browser {
 public:
  WebKitBrowser(GtkMainWindow& window, MainLoop& loop) : window_(window), loop_(loop) {
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    content_ = webkit_user_content_manager_new();
    const std::string signal = std::string("script-message-received::") + kPageScriptChannel;
    g_signal_connect(content_, signal.c_str(), G_CALLBACK(&WebKitBrowser::onScriptMessage), this);
    webkit_user_content_manager_register_script_message_handler_in_world(content_, kPageScriptChannel,
                                                                         kPageScriptWorld);
    WebKitUserScript* script =
        webkit_user_script_new_for_world(kPageScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kPageScriptWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_, script);
    webkit_user_script_unref(script);

    view_ = WEBKIT_WEB_VIEW(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager", content_, nullptr));
    g_object_unref(context);
    g_object_ref_sink(view_);  // kept until we go, also after the window has destroyed it
    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    g_signal_connect(view_, "load-changed", G_CALLBACK(&WebKitBrowser::onLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(&WebKitBrowser::onLoadFailed), this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(&WebKitBrowser::onContextMenu), this);
    g_signal_connect(view_, "destroy", G_CALLBACK(&WebKitBrowser::onViewDestroyed), this);
    gtk_container_add(GTK_CONTAINER(window.widget()), GTK_WIDGET(view_));
    gtk_widget_show(GTK_WIDGET(view_));
  }

  ~WebKitBrowser() override {
    g_signal_handlers_disconnect_by_data(content_, this);
    g_signal_handlers_disconnect_by_data(view_, this);
    g_object_unref(view_);
    g_object_unref(content_);
  }

  void navigate(const std::string& url) override {
    if (usable()) webkit_web_view_load_uri(view_, url.c_str());
  }

  void goBack() override {
    if (usable() && webkit_web_view_can_go_back(view_)) webkit_web_view_go_back(view_);
  }

  void setOnDocumentComplete(std::function<void(const std::string& url, bool topLevel)> handler) override {
    onComplete_ = std::move(handler);
  }

  std::shared_ptr<HtmlDocument> document() override { return current_; }

  void setClickSink(ClickSink sink) override {
    sink_ = std::move(sink);
    sinkGeneration_ = generation_;
  }

  bool execScript(const std::string& code, std::string& error) override {
    if (!usable()) {
      error = "no page";
      return false;
    }
    auto call = std::make_shared<ScriptCall>();
    // The call's own value is of no interest, and some values (a DOM node) cannot even be handed back: the
    // script ends with undefined.
    const std::string source = code + "\n;void 0";
    webkit_web_view_evaluate_javascript(view_, source.data(), static_cast<gssize>(source.size()), nullptr, nullptr,
                                        nullptr, &WebKitBrowser::onScriptDone, new std::shared_ptr<ScriptCall>(call));
    waitFor(*call);
    if (!call->done) {
      error = "the page did not answer";
      return false;
    }
    error = call->error;
    return call->ok;
  }

 private:
  bool usable() const { return !viewDestroyed_; }

  ViewportSize viewport() const { return {window_.width(), window_.height()}; }

  ValueWriter writer() {
    return [this, alive = std::weak_ptr<bool>(alive_), generation = generation_](long long serial, long long ref,
                                                                                 const std::string& value) {
      if (!alive.lock() || generation != generation_ || !usable()) return;  // that document has gone
      const std::string script = "window.__tilvo && window.__tilvo.setValue(" + std::to_string(serial) + ", " +
                                 std::to_string(ref) + ", " + jsString(value) + ")";
      webkit_web_view_evaluate_javascript(view_, script.data(), static_cast<gssize>(script.size()), kPageScriptWorld,
                                          nullptr, nullptr, nullptr, nullptr);
    };
  }

  // Main thread: runs the loop, holding the logic's events, until the page answered or the time is up.
  void waitFor(const ScriptCall& call) {
    EventHold hold(loop_);
    const auto deadline = std::chrono::steady_clock::now() + kScriptAnswerTimeout;
    // Wakes the loop now and then, so that the deadline is seen even when nothing else happens.
    const guint wake = g_timeout_add(100, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (!call.done && std::chrono::steady_clock::now() < deadline) g_main_context_iteration(nullptr, TRUE);
    g_source_remove(wake);
  }

  void onMessage(const std::string& text) {
    const auto message = parsePageMessage(text);
    if (!message) {
      g_debug("browser: a page message was refused");
      return;
    }
    PendingEvent event;
    event.id = ++lastEventId_;
    event.kind = message->kind;
    event.url = message->url;
    event.topLevel = message->topLevel;
    event.generation = generation_;
    if (message->snapshot) {
      event.document = snapshotFromJson(*message->snapshot, writer(), viewport());
      if (!event.document) {
        g_debug("browser: a page snapshot was refused");
        return;
      }
      event.ready = true;
    }
    pending_.push_back(std::move(event));
    if (!pending_.back().ready) requestTopSnapshot(pending_.back().id);
    flush();
  }

  // A frame has completed: the logic then reads the top-level document, which the frame cannot see.
  void requestTopSnapshot(uint64_t eventId) {
    static constexpr char kScript[] = "window.__tilvo === undefined ? null : window.__tilvo.snapshot()";
    auto* request = new SnapshotRequest{alive_, this, eventId};
    webkit_web_view_evaluate_javascript(view_, kScript, -1, kPageScriptWorld, nullptr, nullptr,
                                        &WebKitBrowser::onTopSnapshot, request);
  }

  void snapshotArrived(uint64_t eventId, std::shared_ptr<HtmlDocument> document) {
    for (auto& event : pending_) {
      if (event.id != eventId) continue;
      event.document = document ? std::move(document) : current_;
      event.ready = true;
    }
    flush();
  }

  // Hands the events over in the order the page raised them.
  void flush() {
    while (!pending_.empty() && pending_.front().ready) {
      PendingEvent event = std::move(pending_.front());
      pending_.pop_front();
      loop_.post([this, alive = std::weak_ptr<bool>(alive_), event = std::move(event)] {
        if (alive.lock()) deliver(event);
      });
    }
  }

  // Main thread, as posted work of the loop.
  void deliver(const PendingEvent& event) {
    if (event.generation != generation_) return;  // raised by a document that has gone meanwhile
    if (event.document) current_ = event.document;
    if (event.kind == PageMessage::Kind::Complete) {
      if (onComplete_) onComplete_(event.url, event.topLevel);
      return;
    }
    if (!sink_ || sinkGeneration_ != generation_) return;
    const ClickSink sink = sink_;  // the handler may replace it
    sink(current_);
  }

  void documentCommitted() {
    ++generation_;
    sink_ = nullptr;
    current_ = loadingDocument();
  }

  struct SnapshotRequest {
    std::weak_ptr<bool> alive;
    WebKitBrowser* browser;
    uint64_t eventId;
  };

  // GTK main thread, from here on: signal handlers and completions of the web view.
  static void onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_string(value)) return;
    gchar* text = jsc_value_to_string(value);
    if (text && std::strlen(text) <= kMaxMessageBytes) static_cast<WebKitBrowser*>(self)->onMessage(text);
    g_free(text);
  }

  static void onTopSnapshot(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<SnapshotRequest> request(static_cast<SnapshotRequest*>(data));
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    std::string text;
    if (value && jsc_value_is_string(value)) {
      gchar* s = jsc_value_to_string(value);
      text = s ? s : "";
      g_free(s);
    }
    if (value) g_object_unref(value);
    if (error) g_error_free(error);
    if (!request->alive.lock()) return;
    WebKitBrowser* browser = request->browser;
    auto document = text.empty() ? nullptr : parseSnapshot(text, browser->writer(), browser->viewport());
    browser->snapshotArrived(request->eventId, std::move(document));
  }

  static void onScriptDone(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::shared_ptr<ScriptCall>> call(static_cast<std::shared_ptr<ScriptCall>*>(data));
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    (*call)->ok = error == nullptr;
    if (error) {
      (*call)->error = error->message ? error->message : "script error";
      g_error_free(error);
    }
    if (value) g_object_unref(value);
    (*call)->done = true;
  }

  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
    if (event == WEBKIT_LOAD_COMMITTED) static_cast<WebKitBrowser*>(self)->documentCommitted();
  }

  static gboolean onLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error, gpointer) {
    // A load replaced by another one is no failure.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
      return FALSE;
    const std::string failed = uri ? uri : "";
    const std::string reason = htmlEscape(failed + ": " + (error && error->message ? error->message : "failed"));
    std::string page = kErrorPage;
    page.replace(page.find("{reason}"), 8, reason);
    webkit_web_view_load_html(view, page.c_str(), (std::string(kErrorPageScheme) + failed).c_str());
    return TRUE;
  }

  static gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer) {
    return TRUE;  // an installer page is no web page to reload or inspect
  }

  static void onViewDestroyed(GtkWidget*, gpointer self) { static_cast<WebKitBrowser*>(self)->viewDestroyed_ = true; }

  GtkMainWindow& window_;
  MainLoop& loop_;
  WebKitUserContentManager* content_ = nullptr;
  WebKitWebView* view_ = nullptr;
  bool viewDestroyed_ = false;
  const std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for work that may outlive us

  std::function<void(const std::string&, bool)> onComplete_;
  ClickSink sink_;
  uint64_t generation_ = 0;  // counts the top-level documents committed
  uint64_t sinkGeneration_ = 0;
  std::shared_ptr<HtmlDocument> current_;
  std::deque<PendingEvent> pending_;
  uint64_t lastEventId_ = 0;
};

}  // namespace

std::unique_ptr<Browser> createWebKitBrowser(GtkMainWindow& window, MainLoop& loop) {
  return std::make_unique<WebKitBrowser>(window, loop);
}

}  // namespace tilvo::platform::linux_host
