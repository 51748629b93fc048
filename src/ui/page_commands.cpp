#include "ui/page_commands.h"

#include <utility>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/process_control.h"
#include "core/text.h"
#include "platform/platform.h"
#include "ui/html_document.h"
#include "uninstall/install_folder_cleaner.h"

namespace tilvo {
namespace {

using Document = std::shared_ptr<platform::HtmlDocument>;

// From an opening quote at `i`: the quoted text, with `i` moved past the closing quote (or to the end
// when there is none, the rest being the text).
std::string extractQuoted(const std::string& text, size_t& i, char quote) {
  std::string result;
  ++i;
  while (true) {
    const size_t close = text.find(quote, i);
    if (close == std::string::npos) {
      result += text.substr(i);
      i = text.size();
      return result;
    }
    result += text.substr(i, close - i);
    i = close + 1;
    if (i < text.size() && text[i] == quote) {
      result += quote;
      ++i;
      continue;
    }
    return result;
  }
}

void closeWindow(TfInstUpdate& form, const Document&) { form.Close(); }

void goBack(TfInstUpdate&, const Document&) { platform::browser().goBack(); }

void findPath(TfInstUpdate&, const Document& doc) {
  InstallPath = "C:\\";
  const auto chosen = platform::folderDialog().selectFolder("Select folder..", InstallPath);
  if (!chosen) return;
  InstallPath = *chosen;
  const auto field = GetInputElementById(doc, "icon_file");
  if (!field) return;
  InstallPath = IncludeTrailingPathDelimiter(*chosen) + LauncherName + "\\";
  field->setValue(InstallPath);
}

void install(TfInstUpdate& form, const Document& doc) {
  const auto field = GetInputElementById(doc, "icon_file");
  const std::string path = field ? field->value() : InstallPath;
  if (path.empty()) {
    platform::messageBoxes().show("설치 경로를 지정해 주세요");
    platform::browser().goBack();
    return;
  }
  InstallPath = IncludeTrailingPathDelimiter(path);
  ProcessKill(LauncherExe);
  form.Process_Kills();
  CleanInstallFolder(InstallPath, "*.*");
  form.Timer_DownLoad->setEnabled(true);
}

void autoInstall(TfInstUpdate& form, const Document& doc) {
  form.FAgreeMsg = "License agreement check please";
  if (const auto box = GetInputElementById(doc, "chk_agree")) form.FInstAgreed = box->checked();
  if (!form.FInstAgreed) {
    platform::messageBoxes().show(form.FAgreeMsg);
    return;
  }
  InstallPath = IncludeTrailingPathDelimiter(InstallPath);
  form.Timer_DownLoad->setEnabled(true);
}

void uninstall(TfInstUpdate& form, const Document&) { form.Process_Page_Uninstall(); }

void agree(TfInstUpdate& form, const Document& doc) {
  const auto box = GetInputElementById(doc, "chk_agree");
  if (!box) return;
  form.FInstAgreed = box->checked();
  DebugLog(false, form.FInstAgreed ? "True" : "False");
}

void selectTheme(TfInstUpdate& form, const Document&) { form.Timer_Input_Theme->setEnabled(true); }

void themeName(TfInstUpdate& form, const Document& doc) {
  const auto list = GetSelectElementById(doc, "theme");
  if (!list) return;
  const std::string value = list->value();
  DebugLog(false, Format("Selected Theme value : %s", value.c_str()));
  form.FThemeName = value;
  ThemeSelected = true;
}

using Command = void (*)(TfInstUpdate&, const Document&);

// The command words, compared exactly, letter case included.
constexpr std::pair<const char*, Command> kCommands[] = {
    {"close", closeWindow}, {"back", goBack},        {"find_path", findPath},       {"install", install},
    {"autoinst", autoInstall}, {"uninstall", uninstall}, {"agree", agree},       {"cancel", closeWindow},
    {"select_theme", selectTheme}, {"theme_name", themeName},
};

bool isCommandElement(const std::string& tagName) {
  const std::string tag = LowerCase(tagName);
  return tag == "img" || tag == "input" || tag == "button" || tag == "a";
}

}  // namespace

std::vector<std::string> SplitDelimitedText(const std::string& text, char delimiter, char quote) {
  std::vector<std::string> entries;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == quote) {
      entries.push_back(extractQuoted(text, i, quote));
    } else {
      const size_t start = i;
      while (i < text.size() && text[i] != delimiter) ++i;
      entries.push_back(text.substr(start, i - start));
    }
    if (i < text.size() && text[i] == delimiter) {
      if (i + 1 == text.size()) entries.emplace_back();
      ++i;
    }
  }
  return entries;
}

std::string ValueOfName(const std::vector<std::string>& entries, const std::string& name) {
  for (const auto& entry : entries) {
    const size_t separator = entry.find('=');
    if (separator != std::string::npos && SameText(entry.substr(0, separator), name))
      return entry.substr(separator + 1);
  }
  return {};
}

std::string PageCommandOfAlt(const std::string& alt) { return ValueOfName(SplitDelimitedText(alt), "type"); }

void TfInstUpdate::Document_OnMouseClick(const std::shared_ptr<platform::HtmlDocument>& Doc) {
  if (!Doc) return;
  const auto element = Doc->eventSource();
  if (!element) return;  // only a click has a source element
  const std::string alt = element->alt();
  DebugLog(false, Format("MeroInst MouseClick: element.tagName : %s, %s, %s", element->tagName().c_str(),
                         element->id().c_str(), alt.c_str()));
  if (!isCommandElement(element->tagName())) return;
  const std::string command = PageCommandOfAlt(alt);
  DebugLog(false, command);
  for (const auto& [word, run] : kCommands) {
    if (command != word) continue;
    run(*this, Doc);
    return;
  }
}

}  // namespace tilvo
