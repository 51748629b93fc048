#include "platform/linux/embedded_resources.h"

#include <strings.h>

#include <cstddef>

// The archive files are made by the build (src/CMakeLists.txt) and copied into the object file here.
#define TILVO_EMBED(symbol, file)                                          \
  __asm__(".section .rodata\n"                                             \
          ".balign 16\n"                                                   \
          ".global " #symbol "_begin\n" #symbol "_begin:\n"                \
          ".incbin \"" file "\"\n"                                         \
          ".global " #symbol "_end\n" #symbol "_end:\n"                    \
          ".previous\n");                                                  \
  extern "C" const char symbol##_begin[];                                  \
  extern "C" const char symbol##_end[];

TILVO_EMBED(tilvo_resource_ssl, TILVO_SSL_ARCHIVE)

namespace tilvo::platform::linux_host {
namespace {

struct EmbeddedResource {
  const char* name;
  const char* begin;
  const char* end;
};

const EmbeddedResource kResources[] = {
    {"SSL", tilvo_resource_ssl_begin, tilvo_resource_ssl_end},
};

class EmbeddedResources final : public Resources {
 public:
  std::optional<std::string_view> find(const std::string& name) override {
    for (const auto& r : kResources)
      if (::strcasecmp(r.name, name.c_str()) == 0) return std::string_view(r.begin, static_cast<size_t>(r.end - r.begin));
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<Resources> createEmbeddedResources() { return std::make_unique<EmbeddedResources>(); }

}  // namespace tilvo::platform::linux_host
