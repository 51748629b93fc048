#pragma once

namespace tilvo::platform::linux_host {

// The script the browser puts into every frame, in the installer's own script world (the page's scripts
// can neither see nor call it). It reports each document's completion and, in the top-level document,
// each click with a snapshot of the document; it applies the logic's writes. Messages go to the handler
// `kPageScriptChannel`.
extern const char kPageScript[];
extern const char kPageScriptWorld[];
extern const char kPageScriptChannel[];

}  // namespace tilvo::platform::linux_host
