#pragma once
#include <memory>

#include "platform/resources.h"

namespace tilvo::platform::linux_host {

// The archives linked into the program at build time: "SSL", the certificates the HTTPS client trusts.
std::unique_ptr<Resources> createEmbeddedResources();

}  // namespace tilvo::platform::linux_host
