#include "platform/linux/page_snapshot.h"

#include <limits>
#include <map>
#include <nlohmann/json.hpp>

namespace tilvo::platform::linux_host {
namespace {

using nlohmann::json;

// A malformed report aborts the parse.
struct Invalid {};

const json& member(const json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) throw Invalid{};
  return *it;
}

std::string text(const json& object, const char* name) {
  const json& v = member(object, name);
  if (!v.is_string()) throw Invalid{};
  return v.get<std::string>();
}

bool boolean(const json& object, const char* name) {
  const json& v = member(object, name);
  if (!v.is_boolean()) throw Invalid{};
  return v.get<bool>();
}

long long integer(const json& object, const char* name, long long low, long long high) {
  const json& v = member(object, name);
  if (!v.is_number_integer()) throw Invalid{};
  const long long n = v.get<long long>();
  if (n < low || n > high) throw Invalid{};
  return n;
}

int pixels(const json& object, const char* name) {
  return static_cast<int>(integer(object, name, 0, std::numeric_limits<int>::max()));
}

ElementKind kindOf(const std::string& kind) {
  if (kind == "input") return ElementKind::Input;
  if (kind == "select") return ElementKind::Select;
  if (kind == "other") return ElementKind::Other;
  throw Invalid{};
}

class SnapshotElement final : public HtmlElement {
 public:
  SnapshotElement(const json& e, long long serial, const ValueWriter& writer) : serial_(serial), writer_(writer) {
    if (!e.is_object()) throw Invalid{};
    ref_ = integer(e, "ref", 0, std::numeric_limits<int>::max());
    tag_ = text(e, "tag");
    id_ = text(e, "id");
    const json& alt = member(e, "alt");
    if (!alt.is_null() && !alt.is_string()) throw Invalid{};
    alt_ = alt.is_string() ? alt.get<std::string>() : std::string();
    kind_ = kindOf(text(e, "kind"));
    value_ = text(e, "value");
    checked_ = boolean(e, "checked");
  }

  long long ref() const { return ref_; }
  std::string tagName() const override { return tag_; }
  std::string id() const override { return id_; }
  std::string alt() const override { return alt_; }
  ElementKind kind() const override { return kind_; }
  std::string value() const override { return value_; }
  bool checked() const override { return checked_; }
  void setValue(const std::string& value) override {
    if (kind_ != ElementKind::Input) return;
    value_ = value;
    if (writer_) writer_(serial_, ref_, value);
  }

 private:
  long long serial_;
  ValueWriter writer_;
  long long ref_ = 0;
  std::string tag_, id_, alt_, value_;
  ElementKind kind_ = ElementKind::Other;
  bool checked_ = false;
};

class SnapshotDocument final : public HtmlDocument {
 public:
  bool isHtml() const override { return html_; }
  bool hasBody() const override { return body_; }
  std::vector<std::shared_ptr<HtmlElement>> elementsForIdLookup() const override { return elements_; }
  std::shared_ptr<HtmlElement> eventSource() const override { return source_; }
  PageMetrics metrics() const override { return metrics_; }

  bool html_ = true;
  bool body_ = false;
  std::vector<std::shared_ptr<HtmlElement>> elements_;
  std::shared_ptr<HtmlElement> source_;
  PageMetrics metrics_;
};

PageMetrics parseMetrics(const json& m, ViewportSize viewport) {
  if (!m.is_object()) throw Invalid{};
  PageMetrics metrics;
  metrics.hasHtmlElement = boolean(m, "html");
  metrics.htmlClientWidth = viewport.width == 0 ? 0 : pixels(m, "clientWidth");
  metrics.htmlClientHeight = viewport.height == 0 ? 0 : pixels(m, "clientHeight");
  metrics.htmlScrollWidth = pixels(m, "scrollWidth");
  metrics.htmlScrollHeight = pixels(m, "scrollHeight");
  metrics.bodyScrollWidth = pixels(m, "bodyScrollWidth");
  metrics.bodyScrollHeight = pixels(m, "bodyScrollHeight");
  return metrics;
}

std::shared_ptr<HtmlDocument> buildSnapshot(const json& s, const ValueWriter& writer, ViewportSize viewport) {
  if (!s.is_object()) throw Invalid{};
  auto doc = std::make_shared<SnapshotDocument>();
  const long long serial = integer(s, "serial", 0, std::numeric_limits<long long>::max());
  doc->html_ = boolean(s, "html");
  doc->body_ = boolean(s, "body");
  if (doc->body_) doc->metrics_ = parseMetrics(member(s, "metrics"), viewport);

  // One object per element of the page, so that a write through one reference is seen by every other.
  std::map<long long, std::shared_ptr<SnapshotElement>> byRef;
  auto element = [&](const json& e) {
    auto parsed = std::make_shared<SnapshotElement>(e, serial, writer);
    return byRef.try_emplace(parsed->ref(), parsed).first->second;
  };
  const json& elements = member(s, "elements");
  if (!elements.is_array()) throw Invalid{};
  for (const json& e : elements) doc->elements_.push_back(element(e));
  const json& source = member(s, "source");
  if (!source.is_null()) doc->source_ = element(source);
  return doc;
}

}  // namespace

std::shared_ptr<HtmlDocument> parseSnapshot(const std::string& source, const ValueWriter& writer,
                                            ViewportSize viewport) {
  const json s = json::parse(source, nullptr, false);
  return s.is_discarded() ? nullptr : snapshotFromJson(s, writer, viewport);
}

std::shared_ptr<HtmlDocument> snapshotFromJson(const json& s, const ValueWriter& writer, ViewportSize viewport) {
  try {
    return buildSnapshot(s, writer, viewport);
  } catch (const Invalid&) {
    return nullptr;
  } catch (const json::exception&) {
    return nullptr;
  }
}

std::shared_ptr<HtmlDocument> loadingDocument() { return std::make_shared<SnapshotDocument>(); }

std::optional<PageMessage> parsePageMessage(const std::string& source) {
  const json m = json::parse(source, nullptr, false);
  if (m.is_discarded() || !m.is_object()) return std::nullopt;
  try {
    PageMessage message;
    const std::string event = m.contains("event") && m["event"].is_string() ? m["event"].get<std::string>() : "";
    if (event == "complete")
      message.kind = PageMessage::Kind::Complete;
    else if (event == "click")
      message.kind = PageMessage::Kind::Click;
    else
      return std::nullopt;
    message.topLevel = boolean(m, "top");
    message.url = text(m, "url");
    const json& snapshot = member(m, "snapshot");
    if (message.kind == PageMessage::Kind::Click && !message.topLevel) return std::nullopt;
    if (message.topLevel != snapshot.is_object()) return std::nullopt;  // a frame cannot see the top document
    if (!message.topLevel && !snapshot.is_null()) return std::nullopt;
    if (message.topLevel) message.snapshot = std::make_shared<const json>(snapshot);
    return message;
  } catch (const Invalid&) {
    return std::nullopt;
  } catch (const json::exception&) {
    return std::nullopt;
  }
}

}  // namespace tilvo::platform::linux_host
