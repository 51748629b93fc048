// The installer's own version, where GetAppVersionStr reads it: a manifest entry for the installer compares
// against it.
#include "platform/version_section.h"

TILVO_DEFINE_PROGRAM_VERSION(TILVO_VERSION_MAJOR, TILVO_VERSION_MINOR, TILVO_VERSION_RELEASE, TILVO_VERSION_BUILD);
