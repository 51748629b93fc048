/* The sample launcher the local file store serves, one program under several names (Tilvo.exe,
 * Tilvo_m.exe, Tilvo_Start.exe, Tilvo_Setup.exe). Each start appends a line to "sample_run.log" in the
 * program's own folder; the launcher names (Tilvo.exe, Tilvo_m.exe) then stay running until ended, as a
 * launcher does. It carries its version where the installer reads it; the store raises it in a copy. */
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "platform/version_section.h"

TILVO_DEFINE_PROGRAM_VERSION(1, 0, 0, 1);

static int stays_running(const char* name) {
  return strcasecmp(name, "Tilvo.exe") == 0 || strcasecmp(name, "Tilvo_m.exe") == 0;
}

int main(int argc, char** argv) {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  char* slash = strrchr(self, '/');
  const char* name = slash + 1;

  char line[PATH_MAX + 512];
  char cwd[PATH_MAX] = "";
  if (!getcwd(cwd, sizeof cwd)) strcpy(cwd, "?");
  int used = snprintf(line, sizeof line, "%s started pid=%ld cwd=%s args=", name, (long)getpid(), cwd);
  for (int i = 1; i < argc && used < (int)sizeof line - 2; ++i)
    used += snprintf(line + used, sizeof line - used, "%s%s", i > 1 ? " " : "", argv[i]);
  if (used > (int)sizeof line - 2) used = (int)sizeof line - 2;
  line[used++] = '\n';

  char log_path[PATH_MAX + 32];
  *slash = '\0';
  snprintf(log_path, sizeof log_path, "%s/sample_run.log", self);
  const int fd = open(log_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd >= 0) {
    if (write(fd, line, (size_t)used) < 0) perror("sample_run.log");
    close(fd);
  }
  if (!stays_running(name)) return 0;
  for (;;) pause();
}
