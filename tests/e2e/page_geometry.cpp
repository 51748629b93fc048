#include "page_geometry.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace tilvo::testing {
namespace {

struct Evaluation {
  bool done = false;
  std::string json;
};

void iterateUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the page did not load in time");
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(1000);
  }
}

std::string evaluate(WebKitWebView* view, const std::string& script) {
  Evaluation result;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* r = static_cast<Evaluation*>(data);
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, nullptr);
        if (value && jsc_value_is_string(value)) {
          gchar* s = jsc_value_to_string(value);
          r->json = s;
          g_free(s);
        }
        if (value) g_object_unref(value);
        r->done = true;
      },
      &result);
  iterateUntil([&] { return result.done; });
  return result.json;
}

}  // namespace

std::map<std::string, ScreenRect> elementRects(const std::string& url, int width, int height,
                                               const std::vector<std::string>& selectors,
                                               const std::vector<std::string>& scripts) {
  if (!gtk_init_check(nullptr, nullptr)) throw std::runtime_error("no display");
  GtkWidget* window = gtk_offscreen_window_new();
  WebKitWebView* view = WEBKIT_WEB_VIEW(webkit_web_view_new());
  gtk_widget_set_size_request(GTK_WIDGET(view), width, height);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
  gtk_widget_show_all(window);
  bool loaded = false;
  g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer flag) {
                     if (event == WEBKIT_LOAD_FINISHED) *static_cast<bool*>(flag) = true;
                   }),
                   &loaded);
  webkit_web_view_load_uri(view, url.c_str());
  iterateUntil([&] { return loaded; });
  for (const auto& script : scripts) evaluate(view, script + "; 'ok'");

  nlohmann::json list = selectors;
  const std::string measured = evaluate(view, "JSON.stringify(" + list.dump() + ".map(s => {"
                                              "  const e = document.querySelector(s);"
                                              "  if (!e) return null;"
                                              "  const r = e.getBoundingClientRect();"
                                              "  return [Math.round(r.left), Math.round(r.top), Math.round(r.width),"
                                              "          Math.round(r.height)];"
                                              "}))");
  gtk_widget_destroy(window);

  std::map<std::string, ScreenRect> rects;
  const auto values = nlohmann::json::parse(measured);
  for (size_t i = 0; i < selectors.size(); ++i) {
    if (values[i].is_null()) continue;
    rects[selectors[i]] = {values[i][0].get<int>(), values[i][1].get<int>(), values[i][2].get<int>(),
                           values[i][3].get<int>()};
  }
  return rects;
}

}  // namespace tilvo::testing
