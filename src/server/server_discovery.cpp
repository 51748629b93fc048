#include "core/installer_state.h"

namespace tilvo {

// The server check arrives with the server discovery work; until then start-up starts nothing here.
void TfInstUpdate::CheckServer_Thread_Create() {}

}  // namespace tilvo
